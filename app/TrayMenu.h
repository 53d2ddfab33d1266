#pragma once
#include "base/UniqueHandle.h"
#include "sysproxy/ProfileList.h"

#include <windows.h>

#include <string>
#include <vector>

// The notification icon's menu, built anew at every right press: open the window, the browser
// cleanups, a profile to switch to, start with Windows, About and turning the program off.
class TrayMenu {
public:
    enum : UINT {
        kOpen = 1000,
        kAbout = 1001,
        kTurnOff = 1002,
        kRunAtStartup = 1003,
        kFirstProfile = 1100,   // the first hundred profiles
        kFirstCleanup = 1200,   // to 1204
        kMoreProfiles = 20000,  // profiles from the hundred-and-first on, apart from the cleanups
    };

    // Shows the menu at the cursor, owned by the main window, and acts on the choice.
    static void Run(HWND mainWindow, ProfileList& list);
    // The menu with its popups; each name reads as it is written ("R&D" is not "RD" with an
    // underlined D), the active one checked. Null when the system has no menu to give.
    [[nodiscard]] static MenuHandle Build(const std::vector<std::wstring>& names, const std::wstring& active,
                                          bool runAtStartup);

    // The profile index of a menu id, or -1 when the id is not a profile's.
    [[nodiscard]] static int ProfileIndex(UINT id, std::size_t count);
    [[nodiscard]] static UINT ProfileId(std::size_t index);
};
