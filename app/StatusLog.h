#pragma once
#include <functional>
#include <string>

// The timed, coloured lines of the main page's log panel. Lines written while no panel is
// attached are dropped. Called from the user-interface thread only.
class StatusLog {
public:
    using Sink = std::function<void(const std::wstring& colour, const std::wstring& text)>;

    static void AddLine(const std::wstring& colour, const std::wstring& text);
    static void Info(const std::wstring& text) { AddLine(L"white", text); }
    static void Error(const std::wstring& text) { AddLine(L"red", text); }

    // The main window attaches its panel here; an empty sink detaches it.
    static void SetSink(Sink sink);
};
