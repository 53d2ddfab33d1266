#include "app/TrayIcon.h"

#include "app/WindowModule.h"

#include <shellapi.h>

#include <cwchar>

TrayIcon::~TrayIcon()
{
    Remove();
}

UINT TrayIcon::TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void TrayIcon::Install(HWND owner, const std::wstring& tip, UINT iconId)
{
    m_installed = true;
    m_owner = owner;
    m_tip = tip;
    if (!m_icon)
        m_icon.Reset(static_cast<HICON>(LoadImageW(TheWindowModule().Instance(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
}

bool TrayIcon::Add()
{
    if (!m_installed)
        return false;
    // The first version of the record: every shell knows it.
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = m_owner;
    data.uID = kId;
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = kCallbackMessage;
    if (m_icon) {
        data.uFlags |= NIF_ICON;
        data.hIcon = m_icon.Get();
    }
    if (!m_tip.empty()) {
        data.uFlags |= NIF_TIP;
        std::wcsncpy(data.szTip, m_tip.c_str(), 63);
    }
    return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void TrayIcon::Remove()
{
    if (!m_installed)
        return;
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = m_owner;
    data.uID = kId;
    Shell_NotifyIconW(NIM_DELETE, &data);
}
