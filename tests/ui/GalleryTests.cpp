// The gallery page: the three pages the behavior tests drive, each in an iframe of one page in a
// host of the program's own. What holds in each page alone must hold in its frame, and a
// shortcut typed on the outer page reaches a frame's element.
#include "TestHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kData = L"" UI_TEST_DATA;

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::vector<HWND> Descendants(HWND parent, const std::wstring& className)
{
    struct Search {
        std::wstring Class;
        std::vector<HWND> Found;
    } search{className, {}};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) {
            auto* search = reinterpret_cast<Search*>(param);
            if (ClassOf(window) == search->Class)
                search->Found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The frame's own page, found by an element only it holds.
ElementRef FrameElement(HWND host, const char* selector)
{
    for (HWND frame : Descendants(host, HTMLayoutClassNameW())) {
        ElementRef found = SelectFirst(ElementRef::Root(frame), "%s", selector);
        if (found)
            return found;
    }
    return {};
}

TEST(GalleryTest, EveryFrameShowsItsPageWithItsBehaviorsAndWindows)
{
    TestHost host;
    ASSERT_NE(nullptr, host.Create(nullptr, RECT{0, 0, 2150, 810}, WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(host.LoadFile((kData + L"/gallery.html").c_str()));
    TestHost::Pump(300);

    // The lists page, the forms page and the native page, and the two frames of the last.
    EXPECT_EQ(Descendants(host.Window(), HTMLayoutClassNameW()).size(), 5u);
    EXPECT_EQ(Descendants(host.Window(), L"SysDateTimePick32").size(), 3u);
    EXPECT_EQ(Descendants(host.Window(), L"SysMonthCal32").size(), 1u);
    // The virtual grid filled its rows from the first record when it was attached.
    const ElementRef cell = FrameElement(host.Window(), "#records tr:nth-child(2) td");
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell.Text(), L"row 0, col 0");

    // Ctrl+2 on the outer page, which names no such key: the lists frame's "Proxy" tab.
    const ElementRef proxy = FrameElement(host.Window(), "#tab-proxy");
    ASSERT_TRUE(proxy);
    EXPECT_FALSE(proxy.State() & HL_STATE_CURRENT);
    host.Key('2', true);
    TestHost::Pump(100);
    EXPECT_TRUE(proxy.State() & HL_STATE_CURRENT);
    EXPECT_TRUE(FrameElement(host.Window(), "#panel-proxy").HasAttribute("selected"));
}

} // namespace
