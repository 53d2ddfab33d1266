#pragma once
#include "views/AboutDlgView.h"

#include <windows.h>

// The About window: a modal dialog whose whole client area is the page "ABOUT". There is one at a
// time: asked for again while it is open (the tray menu still works then), it comes forward.
class AboutDlg {
public:
    // Runs modally, owned by the given window; IDCANCEL at once when it was open already.
    INT_PTR Run(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND dialog);

    AboutDlgView m_view;
    HWND m_dialog = nullptr;
};
