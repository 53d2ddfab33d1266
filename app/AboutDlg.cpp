#include "app/AboutDlg.h"

#include "app/WindowModule.h"
#include "resources/ResourceIds.h"

INT_PTR AboutDlg::Run(HWND owner)
{
    if (m_dialog != nullptr) {
        SetForegroundWindow(m_dialog);
        return IDCANCEL;
    }
    const INT_PTR result = DialogBoxParamW(TheWindowModule().Instance(), MAKEINTRESOURCEW(IDD_ABOUT), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    m_dialog = nullptr;
    return result;
}

void AboutDlg::OnInitDialog(HWND dialog)
{
    m_dialog = dialog;
    SetWindowTextW(dialog, L"About Gatewarden");
    CentreOnOwner(dialog);
    RECT client{};
    GetClientRect(dialog, &client);
    m_view.Create(dialog, client);
}

INT_PTR CALLBACK AboutDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        reinterpret_cast<AboutDlg*>(lParam)->OnInitDialog(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}
