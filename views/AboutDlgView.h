#pragma once
#include "ui/HtmlHost.h"

// The About window's content: the page "ABOUT", whose "cancel" button ends the window.
class AboutDlgView : public HtmlHost {
public:
    AboutDlgView();

protected:
    void OnCommand(WPARAM kind, LPARAM record) override;
};
