// The tray menu's ids: profiles and cleanups never share one, however many profiles there are.
#include "app/TrayMenu.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

TEST(TrayMenuTest, EveryProfileHasItsOwnIdApartFromTheOtherItems)
{
    const std::size_t count = 250;
    std::set<UINT> ids;
    for (std::size_t i = 0; i < count; ++i) {
        const UINT id = TrayMenu::ProfileId(i);
        EXPECT_TRUE(ids.insert(id).second) << i;
        EXPECT_EQ(static_cast<int>(i), TrayMenu::ProfileIndex(id, count)) << i;
        EXPECT_FALSE(id >= TrayMenu::kFirstCleanup && id < TrayMenu::kFirstCleanup + 5) << i;
        EXPECT_FALSE(id >= TrayMenu::kOpen && id <= TrayMenu::kRunAtStartup) << i;
    }
    EXPECT_EQ(TrayMenu::kFirstProfile + 99, TrayMenu::ProfileId(99));
    struct Case {
        UINT Id;
        std::size_t Count;
        int Index;
    };
    const Case cases[] = {
        {TrayMenu::kFirstProfile, 3, 0}, {TrayMenu::kFirstProfile + 3, 3, -1}, {TrayMenu::kFirstCleanup, 250, -1},
        {TrayMenu::kOpen, 250, -1},      {0, 250, -1},                         {TrayMenu::kMoreProfiles + 99, 250, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Index, TrayMenu::ProfileIndex(c.Id, c.Count)) << c.Id;
}

TEST(TrayMenuTest, ProfileNamesReadAsWrittenWithTheActiveOneChecked)
{
    const std::vector<std::wstring> names = {L"R&D", L"Plain", L"A&&B &", L"Office"};
    const MenuHandle menu = TrayMenu::Build(names, L"R&D", true);
    ASSERT_TRUE(menu);
    HMENU proxies = GetSubMenu(menu.Get(), 4);
    ASSERT_NE(proxies, nullptr);
    // A menu shows "&&" as one "&" and underlines the letter after a single one.
    const std::vector<std::wstring> texts = {L"R&&D", L"Plain", L"A&&&&B &&", L"Office"};
    ASSERT_EQ(GetMenuItemCount(proxies), static_cast<int>(names.size()));
    for (UINT i = 0; i < names.size(); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(proxies, i, text, 64, MF_BYPOSITION);
        EXPECT_EQ(texts[i], text);
        EXPECT_EQ(TrayMenu::ProfileId(i), GetMenuItemID(proxies, static_cast<int>(i)));
        EXPECT_EQ(i == 0, (GetMenuState(proxies, i, MF_BYPOSITION) & MF_CHECKED) != 0) << i;
    }
    EXPECT_NE(GetMenuState(menu.Get(), TrayMenu::kRunAtStartup, MF_BYCOMMAND) & MF_CHECKED, 0u);
}
