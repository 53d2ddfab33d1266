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

    // Lines added while a batch lives are laid out once, when it ends, with the last one in view.
    class Batch {
    public:
        explicit Batch(StatusLog& log) : m_log(log) { ++m_log.m_batches; }
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        StatusLog& m_log;
    };

private:
    static void ShowLast(const ElementRef& row);

    ElementRef m_document;
    int m_batches = 0;
    ElementRef m_unshown;  // the last row added in a batch
};

// The main window's panel, for the whole process.
StatusLog& TheStatusLog();
