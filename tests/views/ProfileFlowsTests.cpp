// The flows behind the profile commands that show a window: a refused activation's box.
#include "views/ProfileFlows.h"

#include "standins/wininet/WinInetControl.h"
#include "support/TempFolder.h"
#include "support/TestProfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> WindowTexts(HWND window)
{
    std::vector<std::wstring> texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM param) -> BOOL {
            wchar_t text[512] = {};
            GetWindowTextW(child, text, 512);
            reinterpret_cast<std::vector<std::wstring>*>(param)->emplace_back(text);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

HWND WaitForTopLevel(const wchar_t* caption, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (const HWND window = FindWindowW(L"#32770", caption))
            return window;
        Sleep(20);
    }
    return nullptr;
}

// The box runs a modal loop on the thread that shows it: it must hold neither the list lock nor
// the settings lock, or whatever that loop dispatches (the main view's handlers) could wait on them.
TEST(ProfileFlows, ARefusedActivationNamesTheProfileInABoxThatHoldsNoLock)
{
    WinInetControl::Reset();
    TempFolder folder;
    ProfileListOptions options;
    options.StorePath = folder.File(L"proxies.kpp");
    options.Monitor = MonitorStart::DontStart;
    options.Import = ConnectionImport::Skip;
    ProfileList list(options);
    list.Profiles().Put(TestProfile(L"Office", L"office:1"));
    WinInetControl::SetFailing(true);
    auto activation = std::async(std::launch::async, [&list] { ActivateProfile(list, L"Office"); });

    const HWND box = WaitForTopLevel(L"Gatewarden", std::chrono::seconds(20));
    ASSERT_NE(box, nullptr) << "no failure box appeared";
    const std::vector<std::wstring> texts = WindowTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Failed to activate/modify \"Office\" proxy"), texts.end());
    // While the box is up, other users of the list must not wait for it.
    auto lookup = std::async(std::launch::async, [&list] {
        static_cast<void>(list.Snapshot().Current());
        return list.Profiles().Find(L"Office").has_value();
    });
    const bool answered = lookup.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(activation.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(answered) << "a lock stayed held while the box was shown";
    if (answered) {
        EXPECT_TRUE(lookup.get());
    }
    WinInetControl::Reset();
}

} // namespace
