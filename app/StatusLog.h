#pragma once
#include "base/StatusSink.h"
#include "ui/ElementRef.h"

#include <string>

// The timed, coloured lines of the main page's log panel (the table named "panel_log"). Lines
// written while no page is set are dropped. Called from the user-interface thread only.
class StatusLog : public StatusSink {
public:
    // Appends a row "time, space, text" before the panel's last (filler) row; the text is shown
    // as text, never as markup.
    void AddLine(const std::wstring& colour, const std::wstring& text);
    void Info(const std::wstring& text) override { AddLine(L"white", text); }
    void Error(const std::wstring& text) override { AddLine(L"red", text); }

    // The main window sets its page's root here; a null reference releases it.
    void SetDocument(const ElementRef& root) { m_document = root; }

private:
    ElementRef m_document;
};

// The main window's panel, for the whole process.
StatusLog& TheStatusLog();
