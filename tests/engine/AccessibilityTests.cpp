// What an engine window shows to screen readers: its page as a tree of accessible objects, read
// through the same interfaces an assistive tool uses.
#include "EngineTestWindow.h"
#include "support/AccessibleTree.h"

#include <functional>
#include <tuple>

namespace {

const char kPage[] = R"(<html><head><title>Settings</title></head><body>
<table><tr><td><label for="who">Name:</label></td><td><input id="who" value="Ann"></td></tr></table>
<input type="checkbox" id="fast" checked><label for="fast">Go fast</label>
<label><input type="radio" name="r">Left</label>
<input type="password" value="secret" title="Key">
<input id="off" disabled title="Off">
<select title="Colour"><option>Red<option selected>Blue</select>
<button title="Save it"><img src="x.png" alt="disk"></button>
<table fixedrows="1"><tr><th>Host</th><th>Port</th></tr><tr><td>a</td><td>1</td></tr></table>
<p>Plain <b>words</b></p>
<a href="#top">Up</a>
</body></html>)";

TEST(Accessibility, PageShowsRolesNamesValuesAndStatesAsAScreenReaderReadsThem)
{
    EngineTestWindow window;
    ASSERT_TRUE(window.Load(kPage));
    HTMLayoutSetElementState(window.Find("tr:nth-child(2)"), HL_STATE_CURRENT, 0, FALSE);
    struct Expected {
        int Depth;
        long Role;
        const wchar_t* Name;
        const wchar_t* Value;
        long States;  // that must be set
        const wchar_t* Action;
    };
    const Expected expected[] = {
        {0, ROLE_SYSTEM_CLIENT, L"Settings", L"", 0, L""},
        {1, ROLE_SYSTEM_STATICTEXT, L"Name:", L"", STATE_SYSTEM_READONLY, L""},
        {1, ROLE_SYSTEM_TEXT, L"Name:", L"Ann", STATE_SYSTEM_FOCUSABLE, L""},
        {1, ROLE_SYSTEM_CHECKBUTTON, L"Go fast", L"", STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSABLE, L"Uncheck"},
        {1, ROLE_SYSTEM_STATICTEXT, L"Go fast", L"", 0, L""},
        {1, ROLE_SYSTEM_STATICTEXT, L"Left", L"", 0, L""},
        {2, ROLE_SYSTEM_RADIOBUTTON, L"Left", L"", STATE_SYSTEM_FOCUSABLE, L"Check"},
        {1, ROLE_SYSTEM_TEXT, L"Key", L"", STATE_SYSTEM_PROTECTED, L""},
        {1, ROLE_SYSTEM_TEXT, L"Off", L"", STATE_SYSTEM_UNAVAILABLE, L""},
        {1, ROLE_SYSTEM_COMBOBOX, L"Colour", L"Blue", STATE_SYSTEM_COLLAPSED, L"Open"},
        {2, ROLE_SYSTEM_LIST, L"", L"", STATE_SYSTEM_INVISIBLE, L""},
        {3, ROLE_SYSTEM_LISTITEM, L"Red", L"", STATE_SYSTEM_SELECTABLE, L"Select"},
        {3, ROLE_SYSTEM_LISTITEM, L"Blue", L"", STATE_SYSTEM_SELECTED, L"Select"},
        {1, ROLE_SYSTEM_PUSHBUTTON, L"Save it", L"", STATE_SYSTEM_FOCUSABLE, L"Press"},
        {1, ROLE_SYSTEM_TABLE, L"", L"", 0, L""},
        {2, ROLE_SYSTEM_ROW, L"Host Port", L"", STATE_SYSTEM_SELECTABLE, L"Select"},
        {3, ROLE_SYSTEM_COLUMNHEADER, L"Host", L"", STATE_SYSTEM_READONLY, L""},
        {3, ROLE_SYSTEM_COLUMNHEADER, L"Port", L"", 0, L""},
        {2, ROLE_SYSTEM_ROW, L"a 1", L"", STATE_SYSTEM_SELECTED, L"Select"},
        {3, ROLE_SYSTEM_CELL, L"a", L"", STATE_SYSTEM_READONLY, L""},
        {3, ROLE_SYSTEM_CELL, L"1", L"", 0, L""},
        {1, ROLE_SYSTEM_STATICTEXT, L"Plain words", L"", 0, L""},
        {1, ROLE_SYSTEM_LINK, L"Up", L"#top", STATE_SYSTEM_LINKED, L"Jump"},
    };
    const AccessibleTree tree(window.Window());
    const auto& items = tree.Items();
    std::wstring dump;
    for (const AccessibleItem& item : items)
        dump += std::wstring(item.Depth * 2, L' ') + std::to_wstring(item.Role) + L" " + item.Name + L"\n";
    ASSERT_EQ(items.size(), std::size(expected)) << testing::PrintToString(dump);
    RECT client{};
    GetWindowRect(window.Window(), &client);
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(expected[i].Name)));
        EXPECT_EQ(items[i].Depth, expected[i].Depth);
        EXPECT_EQ(items[i].Role, expected[i].Role);
        EXPECT_EQ(items[i].Name, expected[i].Name);
        EXPECT_EQ(items[i].Value, expected[i].Value);
        EXPECT_EQ(items[i].State & expected[i].States, expected[i].States);
        EXPECT_EQ(items[i].Action, expected[i].Action);
        if ((items[i].State & STATE_SYSTEM_INVISIBLE) == 0) {
            RECT inside{};
            EXPECT_TRUE(IntersectRect(&inside, &items[i].Box, &client)) << "on the screen, in the window";
        }
    }
}

TEST(Accessibility, ALabelsTextClicksItsBoxAndTheTreeFollows)
{
    EngineTestWindow window;
    ASSERT_TRUE(window.Load(kPage));
    ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    const AccessibleTree before(window.Window());
    const auto label = before.Find(ROLE_SYSTEM_STATICTEXT, L"Go fast");
    ASSERT_TRUE(label.has_value());
    const POINT at = label->Centre(window.Window());
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP})
        SendMessageW(window.Window(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(at.x, at.y));
    const auto box = AccessibleTree(window.Window()).Find(ROLE_SYSTEM_CHECKBUTTON, L"Go fast");
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->State & STATE_SYSTEM_CHECKED, 0);
    EXPECT_EQ(box->Action, L"Check");
}

// What a hook of this process hears, each event with the role and name of the element it names,
// read back through the event as a screen reader reads it.
std::vector<std::tuple<DWORD, long, std::wstring>> g_heard;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (const std::optional<AccessibleItem> item = AccessibleTree::FromEvent(window, object, child))
        g_heard.emplace_back(event, item->Role, item->Name);
}

HELEMENT Created(const char* tag, const wchar_t* text)
{
    HELEMENT element = nullptr;
    EXPECT_EQ(HLDOM_OK, HTMLayoutCreateElement(tag, text, &element));
    return element;
}

TEST(Accessibility, ChangesAreToldAsWinEventsThatNameTheirElements)
{
    EngineTestWindow window;
    ASSERT_TRUE(window.Load(R"(<html><body><input id="who" title="Who"><input type="checkbox" id="fast" title="Fast">
<select title="Colour"><option>Red<option>Blue</select>
<table fixedrows="1"><tr><th>Host</th></tr></table><div role="log" aria-label="Status"></div></body></html>)"));
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_AIA_END, nullptr, OnWinEvent, GetCurrentProcessId(),
                                               GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    HELEMENT row = Created("tr", nullptr);
    const std::pair<std::function<void()>, std::tuple<DWORD, long, std::wstring>> steps[] = {
        {[&] { HTMLayoutSetElementState(window.Find("#who"), HL_STATE_FOCUS, 0, TRUE); },
         {EVENT_OBJECT_FOCUS, ROLE_SYSTEM_TEXT, L"Who"}},
        {[&] { HTMLayoutSetAttributeByName(window.Find("#who"), "value", L"Ann"); },
         {EVENT_OBJECT_VALUECHANGE, ROLE_SYSTEM_TEXT, L"Who"}},
        {[&] { HTMLayoutSetElementState(window.Find("#fast"), HL_STATE_CHECKED, 0, TRUE); },
         {EVENT_OBJECT_STATECHANGE, ROLE_SYSTEM_CHECKBUTTON, L"Fast"}},
        {[&] {
             HTMLayoutInsertElement(Created("td", L"example.org"), row, 0);
             HTMLayoutInsertElement(row, window.Find("table"), 1);
         },
         {EVENT_OBJECT_REORDER, ROLE_SYSTEM_TABLE, L""}},
        {[&] { HTMLayoutSetElementState(row, HL_STATE_CURRENT, 0, TRUE); },
         {EVENT_OBJECT_SELECTION, ROLE_SYSTEM_ROW, L"example.org"}},
        {[&] {
             HTMLayoutSetElementState(window.Find("select"), HL_STATE_FOCUS, 0, TRUE);
             SendMessageW(window.Window(), WM_KEYDOWN, VK_F4, 0);
         },
         {EVENT_OBJECT_STATECHANGE, ROLE_SYSTEM_COMBOBOX, L"Colour"}},
        {[&] { HTMLayoutInsertElement(Created("div", L"Saved"), window.Find("div"), 0); },
         {0x8019 /* EVENT_OBJECT_LIVEREGIONCHANGED */, ROLE_SYSTEM_GROUPING, L"Status"}},
    };
    for (const auto& [change, told] : steps) {
        SCOPED_TRACE(testing::PrintToString(std::get<2>(told)) + " " + std::to_string(std::get<0>(told)));
        g_heard.clear();
        change();
        const DWORD start = GetTickCount();
        while (std::find(g_heard.begin(), g_heard.end(), told) == g_heard.end() && GetTickCount() - start < 2000) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            Sleep(10);
        }
        EXPECT_NE(std::find(g_heard.begin(), g_heard.end(), told), g_heard.end());
    }
    UnhookWinEvent(hook);
    CoUninitialize();
}

} // namespace
