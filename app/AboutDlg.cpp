#include "app/AboutDlg.h"

#include "app/WindowModule.h"
#include "resources/ResourceIds.h"
#include "ui/WindowGeometry.h"

INT_PTR AboutDlg::Run(HWND owner)
{
    if (m_window != nullptr) {
        SetForegroundWindow(m_window);
        return IDCANCEL;
    }
    return DialogBoxParamW(TheWindowModule().Instance(), MAKEINTRESOURCEW(IDD_ABOUT), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void AboutDlg::OnInitDialog()
{
    SetWindowTextW(m_window, L"About Gatewarden");
    CentreOnOwner(m_window);
    RECT client{};
    GetClientRect(m_window, &client);
    m_view.Create(m_window, client);
}

INT_PTR AboutDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        OnInitDialog();
        return TRUE;
    }
    if (message == WM_DPICHANGED) {
        FollowDpiChange(m_window, wParam, lParam);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(m_window, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}
