#pragma once
#include "ui/ElementRef.h"

#include <functional>
#include <string>

// The timed, coloured lines of the main page's log panel (the table named "panel_log"). Lines
// written while no page is set are dropped. Called from the user-interface thread only.
class StatusLog {
public:
    // Also hears every line, page or not (tests listen here).
    using Sink = std::function<void(const std::wstring& colour, const std::wstring& text)>;

    // Appends a row "time, space, text" before the panel's last (filler) row; the text is shown
    // as text, never as markup.
    static void AddLine(const std::wstring& colour, const std::wstring& text);
    static void Info(const std::wstring& text) { AddLine(L"white", text); }
    static void Error(const std::wstring& text) { AddLine(L"red", text); }

    // The main window sets its page's root here; a null reference releases it.
    static void SetDocument(const ElementRef& root);
    static void SetSink(Sink sink);
};
