#pragma once
#include "base/WindowBase.h"
#include "views/AboutDlgView.h"

#include <windows.h>

// The About window: a modal dialog whose whole client area is the page "ABOUT". There is one at a
// time: asked for again while it is open (the tray menu still works then), it comes forward.
class AboutDlg : public WindowBase<AboutDlg> {
public:
    explicit AboutDlg(StatusSink& status) : m_view(status) {}

    // Runs modally, owned by the given window; IDCANCEL at once when it was open already.
    INT_PTR Run(HWND owner);

private:
    friend class WindowBase<AboutDlg>;
    static int WindowSlot() { return DWLP_USER; }
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();

    AboutDlgView m_view;
};
