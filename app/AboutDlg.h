#pragma once
#include "views/AboutDlgView.h"

#include <windows.h>

// The About window: a modal dialog whose whole client area is the page "ABOUT".
class AboutDlg {
public:
    // Runs modally, owned by the given window.
    INT_PTR Run(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND dialog);

    AboutDlgView m_view;
};
