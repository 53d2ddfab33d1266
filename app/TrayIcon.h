#pragma once
#include "base/UniqueHandle.h"

#include <windows.h>

#include <string>

// The program's icon in the notification area, there for the whole run. The shell forgets every
// icon when Explorer restarts, and may not have its notification area yet when the program
// starts: the owner re-adds the icon on the shell's "TaskbarCreated" and retries a failed first add.
class TrayIcon {
public:
    static constexpr UINT kId = 1723;
    static constexpr UINT kCallbackMessage = WM_USER + 1;

    TrayIcon() = default;
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Readies the icon for its owner; Add puts it in the notification area.
    void Install(HWND owner, const std::wstring& tip, UINT iconId);
    // Adds the installed icon (first, after TaskbarCreated, or to retry); true when it is there.
    bool Add();
    void Remove();

    // The message the shell broadcasts when its taskbar comes (back).
    [[nodiscard]] static UINT TaskbarCreatedMessage();

private:
    bool m_installed = false;
    HWND m_owner = nullptr;
    std::wstring m_tip;
    IconHandle m_icon;
};
