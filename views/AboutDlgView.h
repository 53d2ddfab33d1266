#pragma once
#include "ui/HtmlHost.h"

// The About window's content: the page "ABOUT", whose "cancel" button ends the window.
class AboutDlgView : public HtmlHost {
public:
    // A missing page is told to the sink.
    explicit AboutDlgView(StatusSink& status);

protected:
    void OnCommand(WPARAM kind, LPARAM record) override;
};
