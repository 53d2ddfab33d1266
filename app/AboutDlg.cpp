#include "app/AboutDlg.h"

#include "app/WindowModule.h"
#include "resources/ResourceIds.h"

namespace {

void CentreOnParent(HWND window)
{
    HWND parent = GetWindow(window, GW_OWNER);
    RECT area{};
    if (parent == nullptr || !IsWindowVisible(parent) || IsIconic(parent) || !GetWindowRect(parent, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT own{};
    GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

INT_PTR AboutDlg::Run(HWND owner)
{
    return DialogBoxParamW(TheWindowModule().Instance(), MAKEINTRESOURCEW(IDD_ABOUT), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void AboutDlg::OnInitDialog(HWND dialog)
{
    SetWindowTextW(dialog, L"About Gatewarden");
    CentreOnParent(dialog);
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
