#include "app/TrayMenu.h"

#include "app/RegistrySettings.h"

#include <string>
#include <vector>

namespace {

// The main window's commands that the menu posts.
constexpr UINT kAboutCommand = 0x8009;
constexpr UINT kFirstCleanupCommand = 0x8010;
constexpr UINT kCleanupCount = 5;
const wchar_t kRunName[] = L"Gatewarden";

} // namespace

UINT TrayMenu::ProfileId(std::size_t index)
{
    return index < 100 ? kFirstProfile + static_cast<UINT>(index) : kMoreProfiles + static_cast<UINT>(index);
}

int TrayMenu::ProfileIndex(UINT id, std::size_t count)
{
    std::size_t index = count;
    if (id >= kFirstProfile && id < kFirstProfile + 100)
        index = id - kFirstProfile;
    else if (id >= kMoreProfiles + 100)
        index = id - kMoreProfiles;
    return index < count ? static_cast<int>(index) : -1;
}

void TrayMenu::Run(HWND mainWindow, ProfileList& profiles)
{
    std::vector<std::wstring> names;
    profiles.ListNames(names);
    const std::wstring active = profiles.CurrentSettings().Name;

    HMENU menu = CreatePopupMenu();
    HMENU cleanup = CreatePopupMenu();
    HMENU proxies = CreatePopupMenu();
    if (menu == nullptr || cleanup == nullptr || proxies == nullptr) {
        for (HMENU made : {menu, cleanup, proxies})
            if (made != nullptr)
                DestroyMenu(made);
        return;
    }
    const wchar_t* cleanups[] = {L"Cleanup IE Cache", L"Cleanup IE Cookies", L"Cleanup IE History",
                                 L"Cleanup IE Address Bar History"};
    for (UINT i = 0; i < 4; ++i)
        AppendMenuW(cleanup, MF_STRING, kFirstCleanup + i, cleanups[i]);
    AppendMenuW(cleanup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(cleanup, MF_STRING, kFirstCleanup + 4, L"Cleanup all");
    for (std::size_t i = 0; i < names.size(); ++i)
        AppendMenuW(proxies, MF_STRING | (names[i] == active ? MF_CHECKED : 0u), ProfileId(i), names[i].c_str());

    AppendMenuW(menu, MF_STRING, kOpen, L"Open Gatewarden");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(cleanup), L"Cleanup for IE");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(proxies), L"Proxies");
    AppendMenuW(menu, MF_STRING | (RegistrySettings::IsRunAtStartup(kRunName) ? MF_CHECKED : 0u), kRunAtStartup,
                L"Run at windows startup");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAbout, L"About Gatewarden...");
    AppendMenuW(menu, MF_STRING, kTurnOff, L"Turn off Gatewarden");
    SetMenuDefaultItem(menu, kOpen, FALSE);

    POINT at{};
    GetCursorPos(&at);
    // The owner in front, so that the menu closes when the user clicks elsewhere.
    SetForegroundWindow(mainWindow);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, mainWindow, nullptr));
    PostMessageW(mainWindow, WM_NULL, 0, 0);
    DestroyMenu(menu);  // its popups with it

    if (chosen == kOpen) {
        ShowWindow(mainWindow, SW_RESTORE);
    } else if (chosen == kAbout) {
        PostMessageW(mainWindow, WM_COMMAND, kAboutCommand, 0);
    } else if (chosen == kTurnOff) {
        PostMessageW(mainWindow, WM_COMMAND, IDCANCEL, 0);
    } else if (chosen == kRunAtStartup) {
        if (RegistrySettings::IsRunAtStartup(kRunName))
            RegistrySettings::RemoveRunAtStartup(kRunName);
        else
            RegistrySettings::AddRunAtStartup(kRunName);
    } else if (chosen >= kFirstCleanup && chosen < kFirstCleanup + kCleanupCount) {
        PostMessageW(mainWindow, WM_COMMAND, kFirstCleanupCommand + (chosen - kFirstCleanup), 0);
    } else if (const int index = ProfileIndex(chosen, names.size()); index >= 0) {
        profiles.Activate(names[static_cast<std::size_t>(index)]);
    }
}
