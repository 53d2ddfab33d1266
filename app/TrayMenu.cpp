#include "app/TrayMenu.h"

#include "app/RegistrySettings.h"
#include "views/Commands.h"
#include "views/ProfileFlows.h"

#include <string>
#include <vector>

namespace {

// The cleanup items post the main window's cleanup commands, in the same order.
constexpr UINT kCleanupCount = 5;
const wchar_t kRunName[] = L"Gatewarden";

// A menu takes "&" as the mark of the next letter's shortcut; "&&" shows one "&".
std::wstring ItemText(const std::wstring& text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == L'&')
            escaped += L'&';
        escaped += c;
    }
    return escaped;
}

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

MenuHandle TrayMenu::Build(const std::vector<std::wstring>& names, const std::wstring& active,
                                     bool runAtStartup)
{
    MenuHandle menu(CreatePopupMenu());
    MenuHandle cleanup(CreatePopupMenu());
    MenuHandle proxies(CreatePopupMenu());
    if (!menu || !cleanup || !proxies)
        return {};
    const wchar_t* cleanups[] = {MenuText::CleanCache, MenuText::CleanCookies, MenuText::CleanHistory,
                                 MenuText::CleanTypedUrls};
    for (UINT i = 0; i < 4; ++i)
        AppendMenuW(cleanup.Get(), MF_STRING, kFirstCleanup + i, cleanups[i]);
    AppendMenuW(cleanup.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(cleanup.Get(), MF_STRING, kFirstCleanup + 4, MenuText::CleanAll);
    for (std::size_t i = 0; i < names.size(); ++i)
        AppendMenuW(proxies.Get(), MF_STRING | (names[i] == active ? MF_CHECKED : 0u), ProfileId(i),
                    ItemText(names[i]).c_str());

    HMENU main = menu.Get();
    // The main menu owns each popup once the popup is in it.
    const auto appendPopup = [&](MenuHandle& popup, const wchar_t* text) {
        if (AppendMenuW(main, MF_POPUP, reinterpret_cast<UINT_PTR>(popup.Get()), text))
            static_cast<void>(popup.Release());
    };
    AppendMenuW(main, MF_STRING, kOpen, L"Open Gatewarden");
    AppendMenuW(main, MF_SEPARATOR, 0, nullptr);
    appendPopup(cleanup, L"Cleanup for IE");
    AppendMenuW(main, MF_SEPARATOR, 0, nullptr);
    appendPopup(proxies, L"Proxies");
    AppendMenuW(main, MF_STRING | (runAtStartup ? MF_CHECKED : 0u), kRunAtStartup, L"Run at windows startup");
    AppendMenuW(main, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(main, MF_STRING, kAbout, MenuText::About);
    AppendMenuW(main, MF_STRING, kTurnOff, MenuText::TurnOff);
    SetMenuDefaultItem(main, kOpen, FALSE);
    return menu;
}

void TrayMenu::Run(HWND mainWindow, ProfileList& list)
{
    std::vector<std::wstring> names;
    list.Profiles().ListNames(names);
    const MenuHandle menu = Build(names, list.Snapshot().Current().Name, RegistrySettings::IsRunAtStartup(kRunName));
    if (!menu)
        return;

    POINT at{};
    GetCursorPos(&at);
    // The owner in front, so that the menu closes when the user clicks elsewhere.
    SetForegroundWindow(mainWindow);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, mainWindow, nullptr));
    PostMessageW(mainWindow, WM_NULL, 0, 0);

    if (chosen == kOpen) {
        ShowWindow(mainWindow, SW_RESTORE);
    } else if (chosen == kAbout) {
        PostMessageW(mainWindow, WM_COMMAND, Command::About, 0);
    } else if (chosen == kTurnOff) {
        PostMessageW(mainWindow, WM_COMMAND, IDCANCEL, 0);
    } else if (chosen == kRunAtStartup) {
        if (RegistrySettings::IsRunAtStartup(kRunName))
            RegistrySettings::RemoveRunAtStartup(kRunName);
        else
            RegistrySettings::AddRunAtStartup(kRunName);
    } else if (chosen >= kFirstCleanup && chosen < kFirstCleanup + kCleanupCount) {
        PostMessageW(mainWindow, WM_COMMAND, Command::CleanCache + (chosen - kFirstCleanup), 0);
    } else if (const int index = ProfileIndex(chosen, names.size()); index >= 0) {
        ActivateProfile(list, names[static_cast<std::size_t>(index)]);
    }
}
