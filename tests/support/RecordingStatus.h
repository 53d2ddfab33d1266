#pragma once
// A status sink that keeps every line, in the colours the main window's panel gives them.
#include "base/StatusSink.h"

#include <string>
#include <vector>

class RecordingStatus : public StatusSink {
public:
    void Info(const std::wstring& text) override { Lines.push_back(L"white: " + text); }
    void Error(const std::wstring& text) override { Lines.push_back(L"red: " + text); }

    std::vector<std::wstring> Lines;
};
