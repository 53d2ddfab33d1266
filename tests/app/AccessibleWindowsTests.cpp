// The shipped Gatewarden.exe as a screen reader and a keyboard-only user meet it: its windows'
// accessible trees read from this process (AccessibleObjectFromWindow), the WinEvents it raises
// heard through a hook of this process, its commands reached by keys alone, and its pages in a
// high-contrast theme.
#include "app/GatewardenProgram.h"

#include <cwctype>
#include <functional>
#include <tuple>

namespace {

const wchar_t kEditCaption[] = L"Edit proxy settings";
const wchar_t kNewCaption[] = L"New proxy settings";
const wchar_t kHighContrastKey[] = L"Control Panel\\Accessibility\\HighContrast";

// The items below the first item of this role and name, in the tree's depth-first order.
std::vector<AccessibleItem> Below(const AccessibleTree& tree, long role, const wchar_t* name)
{
    const std::vector<AccessibleItem>& items = tree.Items();
    auto at = std::find_if(items.begin(), items.end(), [&](const AccessibleItem& i) { return i.Role == role && i.Name == name; });
    std::vector<AccessibleItem> below;
    for (auto it = at == items.end() ? at : at + 1; it != items.end() && it->Depth > at->Depth; ++it)
        below.push_back(*it);
    return below;
}

bool HasState(const std::optional<AccessibleItem>& item, long state)
{
    return item && (item->State & state) == state;
}

// Runs this thread's messages (a hook's events arrive among them) until the condition holds.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD limitMs = kLimitMs)
{
    return WaitUntil([&] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        return condition();
    }, limitMs);
}

// What a WinEvent hook of this process heard: each event with the role and name of the element
// it names, read back from the program as a screen reader reads it.
struct Heard {
    DWORD Event;
    long Role;
    std::wstring Name;
    bool operator==(const Heard&) const = default;
};
std::vector<Heard> g_heard;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (const std::optional<AccessibleItem> item = AccessibleTree::FromEvent(window, object, child))
        g_heard.push_back({event, item->Role, item->Name});
}

// The hook on the program's events, out of its process, for as long as it lives.
class EventHook {
public:
    explicit EventHook(HWND window)
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        g_heard.clear();
        m_hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, OnWinEvent, process, 0,
                                 WINEVENT_OUTOFCONTEXT);
    }
    ~EventHook()
    {
        if (m_hook != nullptr)
            UnhookWinEvent(m_hook);
        CoUninitialize();
    }
    EventHook(const EventHook&) = delete;
    EventHook& operator=(const EventHook&) = delete;
    [[nodiscard]] bool Installed() const { return m_hook != nullptr; }

    // The events heard of these kinds, in order.
    static std::vector<Heard> Of(std::initializer_list<DWORD> events)
    {
        std::vector<Heard> of;
        for (const Heard& heard : g_heard) {
            if (std::find(events.begin(), events.end(), heard.Event) != events.end())
                of.push_back(heard);
        }
        return of;
    }

private:
    HWINEVENTHOOK m_hook = nullptr;
};

// The editor of Office, the second profile, opened by Enter on its row.
HWND OpenEditorOfOffice(Gatewarden& program)
{
    program.SelectRow(2);
    program.Key(VK_RETURN);
    return program.DialogPage(kEditCaption);
}

// The colour the screen shows at a point of the window's client area.
COLORREF ShownColour(HWND window, POINT at)
{
    ClientToScreen(window, &at);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

TEST_F(GatewardenExeTest, MainWindowTreeNamesToolbarProfilesAndStatusLines)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    const HWND view = program.View();
    std::optional<AccessibleTree> tree;
    ASSERT_TRUE(WaitUntil([&] {
        tree.emplace(view);
        return tree->All(ROLE_SYSTEM_ROW).size() == kProfiles.size() + 1 && Below(*tree, ROLE_SYSTEM_GROUPING, L"Status").size() >= 6;
    }));

    // The toolbar's picture buttons, named by their titles; the row commands unavailable while no
    // row is current.
    const std::pair<const wchar_t*, bool> buttons[] = {{L"Activate proxy", false}, {L"Add proxy [Ctrl + N]", true},
                                                       {L"Edit proxy [Enter]", false}, {L"Remove proxy [Del]", false},
                                                       {L"Help", true}};
    const std::vector<AccessibleItem> shown = tree->All(ROLE_SYSTEM_PUSHBUTTON);
    ASSERT_EQ(shown.size(), std::size(buttons));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].Name, buttons[i].first);
        EXPECT_EQ(shown[i].Action, L"Press");
        EXPECT_EQ((shown[i].State & STATE_SYSTEM_UNAVAILABLE) == 0, buttons[i].second) << i;
    }

    // The list has the keyboard from the start; a header row, then one row per profile, the
    // active one (Home, whose settings the system holds) marked in its first cell.
    EXPECT_TRUE(HasState(tree->Find(ROLE_SYSTEM_TABLE), STATE_SYSTEM_FOCUSED));
    std::vector<std::wstring> headers;
    for (const AccessibleItem& header : tree->All(ROLE_SYSTEM_COLUMNHEADER))
        headers.push_back(header.Name);
    EXPECT_EQ(headers, (std::vector<std::wstring>{L"", L"Name", L"Type", L"Proxy", L"Bypass", L"Auto Proxy URL"}));
    const std::vector<AccessibleItem> cells = tree->All(ROLE_SYSTEM_CELL);
    ASSERT_EQ(cells.size(), 6 * kProfiles.size());
    for (std::size_t i = 0; i < kProfiles.size(); ++i) {
        EXPECT_EQ(cells[6 * i].Name, i == 0 ? L"\u00BB" : L"");
        EXPECT_EQ(cells[6 * i + 1].Name, kProfiles[i].Name);
        EXPECT_EQ(tree->All(ROLE_SYSTEM_ROW)[i + 1].Name.starts_with(L"\u00BB " + kProfiles[i].Name), i == 0);
    }

    // The status panel, a live region, reads its lines: a time, then the message.
    std::vector<std::wstring> messages;
    for (const AccessibleItem& line : Below(*tree, ROLE_SYSTEM_GROUPING, L"Status")) {
        if (line.Role == ROLE_SYSTEM_STATICTEXT && !std::iswdigit(line.Name.front()))
            messages.push_back(line.Name);
    }
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"Gatewarden run", L"Proxies loaded successfully",
                                                   L"Proxy \"Home\" is active now."}));
}

TEST_F(GatewardenExeTest, EditorTreeShowsEachFieldWithItsLabelStateAndValue)
{
    enum : long { Off = 0, Greyed = STATE_SYSTEM_UNAVAILABLE, Ticked = STATE_SYSTEM_CHECKED };
    struct Field {
        long Role;
        const wchar_t* Name;
        const wchar_t* Value;
        long States;
    };
    // Office: a proxy for HTTP and HTTPS, local addresses bypassed, no script, no auto-activation.
    const Field fields[] = {
        {ROLE_SYSTEM_TEXT, L"Display name:", L"Office", STATE_SYSTEM_FOCUSED},
        {ROLE_SYSTEM_CHECKBUTTON, L"Automatically detect settings", L"", Off},
        {ROLE_SYSTEM_CHECKBUTTON, L"Use automatic configuration script", L"", Off},
        {ROLE_SYSTEM_TEXT, L"Address:", L"", Greyed},
        {ROLE_SYSTEM_CHECKBUTTON, L"Do not chache automatic configuration script results", L"", Greyed},
        {ROLE_SYSTEM_CHECKBUTTON, L"Use proxy server", L"", Ticked},
        {ROLE_SYSTEM_TEXT, L"HTTP proxy :", L"office", Off},
        {ROLE_SYSTEM_TEXT, L"HTTP proxy port", L"3128", Off},
        {ROLE_SYSTEM_TEXT, L"HTTPS proxy :", L"office", Off},
        {ROLE_SYSTEM_TEXT, L"HTTPS proxy port", L"3128", Off},
        {ROLE_SYSTEM_TEXT, L"FTP proxy :", L"", Off},
        {ROLE_SYSTEM_TEXT, L"FTP proxy port", L"", Off},
        {ROLE_SYSTEM_TEXT, L"Gopher proxy :", L"", Off},
        {ROLE_SYSTEM_TEXT, L"Gopher proxy port", L"", Off},
        {ROLE_SYSTEM_TEXT, L"Socks proxy :", L"", Off},
        {ROLE_SYSTEM_TEXT, L"Socks proxy port", L"", Off},
        {ROLE_SYSTEM_CHECKBUTTON, L"Use the same proxy server for all protocols", L"", Off},
        {ROLE_SYSTEM_CHECKBUTTON, L"Bypass proxy for local addresses", L"", Ticked},
        {ROLE_SYSTEM_TEXT, L"Do not use proxy server for addresses beginning with:", L"", Off},
        {ROLE_SYSTEM_CHECKBUTTON, L"Auto-activate proxy", L"", Off},
        // The adapter is whichever the machine has first.
        {ROLE_SYSTEM_COMBOBOX, L"Network Adapter:", nullptr, Greyed | STATE_SYSTEM_COLLAPSED},
        {ROLE_SYSTEM_TEXT, L"IP Address:", L"0", Greyed},
        {ROLE_SYSTEM_TEXT, L"IP address, part 2", L"0", Greyed},
        {ROLE_SYSTEM_TEXT, L"IP address, part 3", L"0", Greyed},
        {ROLE_SYSTEM_TEXT, L"IP address, part 4", L"0", Greyed},
        {ROLE_SYSTEM_PUSHBUTTON, L"OK", L"", Off},
        {ROLE_SYSTEM_PUSHBUTTON, L"Cancel", L"", Off},
    };
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    const HWND page = OpenEditorOfOffice(program);
    ASSERT_NE(page, nullptr);
    const AccessibleTree tree(page);
    for (const Field& field : fields) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(field.Name)));
        const std::optional<AccessibleItem> item = tree.Find(field.Role, field.Name);
        ASSERT_TRUE(item.has_value());
        if (field.Value != nullptr) {
            EXPECT_EQ(item->Value, field.Value);
        }
        const long told = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_COLLAPSED;
        EXPECT_EQ(item->State & told, field.States);
        // What is greyed takes no focus; the rest does.
        EXPECT_EQ((item->State & STATE_SYSTEM_FOCUSABLE) != 0, (field.States & Greyed) == 0);
        EXPECT_GT(item->Box.right, item->Box.left);
    }
}

TEST_F(GatewardenExeTest, EditorTellsFocusValueAndStateChangesToAHook)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    const HWND page = OpenEditorOfOffice(program);
    ASSERT_NE(page, nullptr);
    EventHook hook(page);
    ASSERT_TRUE(hook.Installed());
    const auto key = [&](UINT code) { return [&program, page, code] { program.Key(code, page); }; };
    // A letter typed into the name, Tab through the next fields, Space on "Use proxy server",
    // which greys the proxies' inputs as it goes off. Each step and what it must be heard as;
    // Wine hands a hook its events in no fixed order, so each step is heard out before the next.
    const std::pair<std::function<void()>, std::vector<Heard>> steps[] = {
        {[&] { Gatewarden::Type(L"s", page); }, {{EVENT_OBJECT_VALUECHANGE, ROLE_SYSTEM_TEXT, L"Display name:"}}},
        {key(VK_TAB), {{EVENT_OBJECT_FOCUS, ROLE_SYSTEM_CHECKBUTTON, L"Automatically detect settings"}}},
        {key(VK_TAB), {{EVENT_OBJECT_FOCUS, ROLE_SYSTEM_CHECKBUTTON, L"Use automatic configuration script"}}},
        {key(VK_TAB), {{EVENT_OBJECT_FOCUS, ROLE_SYSTEM_CHECKBUTTON, L"Use proxy server"}}},
        {key(VK_SPACE),
         {{EVENT_OBJECT_STATECHANGE, ROLE_SYSTEM_CHECKBUTTON, L"Use proxy server"},
          {EVENT_OBJECT_STATECHANGE, ROLE_SYSTEM_TEXT, L"HTTP proxy :"}}},
    };
    for (const auto& [act, expected] : steps) {
        SCOPED_TRACE(testing::PrintToString(expected.front().Name));
        g_heard.clear();
        act();
        EXPECT_TRUE(PumpUntil([&] {
            return std::all_of(expected.begin(), expected.end(), [](const Heard& one) {
                return std::find(g_heard.begin(), g_heard.end(), one) != g_heard.end();
            });
        }));
        // Tab took the focus there and nowhere else.
        for (const Heard& focus : EventHook::Of({EVENT_OBJECT_FOCUS})) {
            if (expected.front().Event == EVENT_OBJECT_FOCUS) {
                EXPECT_EQ(focus, expected.front());
            }
        }
    }
}

TEST_F(GatewardenExeTest, EveryMainCommandIsReachableByKeysAlone)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    const HWND view = program.View();
    const auto focused = [&](long role, const wchar_t* name) {
        return WaitUntil([&] { return HasState(AccessibleTree(view).Find(role, name), STATE_SYSTEM_FOCUSED); });
    };
    // The list takes the arrows from the start.
    program.Key(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return HasState(AccessibleTree(view).Find(ROLE_SYSTEM_ROW, nullptr, 1), STATE_SYSTEM_SELECTED); }));
    // Tab goes round the toolbar's buttons, now all enabled, and back to the list.
    const wchar_t* const round[] = {L"Activate proxy", L"Add proxy [Ctrl + N]", L"Edit proxy [Enter]", L"Remove proxy [Del]", L"Help"};
    for (const wchar_t* button : round) {
        program.Key(VK_TAB);
        EXPECT_TRUE(focused(ROLE_SYSTEM_PUSHBUTTON, button)) << testing::PrintToString(std::wstring(button));
    }
    program.Key(VK_TAB);
    EXPECT_TRUE(focused(ROLE_SYSTEM_TABLE, nullptr));
    // Enter and Space press the focused button: Add, then Edit (of the current row), each editor
    // closed again by Escape.
    for (const auto& [tabs, key, caption] : {std::tuple{2, VK_RETURN, kNewCaption}, std::tuple{1, VK_SPACE, kEditCaption}}) {
        for (int i = 0; i < tabs; ++i)
            program.Key(VK_TAB);
        program.Key(key);
        HWND dialog = nullptr;
        const HWND page = program.DialogPage(caption, &dialog);
        ASSERT_NE(page, nullptr) << testing::PrintToString(std::wstring(caption));
        program.Key(VK_ESCAPE, page);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    }
    // The menu key and Shift+F10 open the list's menu at the current row.
    for (int i = 0; i < 3; ++i)
        program.Key(VK_TAB);
    ASSERT_TRUE(focused(ROLE_SYSTEM_TABLE, nullptr));
    const RECT row = AccessibleTree(view).Find(ROLE_SYSTEM_ROW, nullptr, 1)->Box;
    for (const bool shiftF10 : {false, true}) {
        if (shiftF10) {
            ASSERT_TRUE(WaitUntil([&] { return SetForegroundWindow(program.Main()) && GetForegroundWindow() == program.Main(); }));
            for (const auto& [key, flags] : {std::pair<BYTE, DWORD>{VK_SHIFT, 0}, {VK_F10, 0}, {VK_F10, KEYEVENTF_KEYUP},
                                             {VK_SHIFT, KEYEVENTF_KEYUP}})
                keybd_event(key, 0, flags, 0);
        } else {
            program.Key(VK_APPS);
        }
        const HWND menu = program.WaitForWindow(L"#32768", nullptr);
        ASSERT_NE(menu, nullptr) << shiftF10;
        RECT place{};
        GetWindowRect(menu, &place);
        EXPECT_GE(place.top, row.top) << shiftF10;
        EXPECT_LE(place.top, row.bottom + 2) << shiftF10;
        program.Key(VK_ESCAPE, menu);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));
    }
}

TEST_F(GatewardenExeTest, HighContrastTurnsThePageToTheThemesColoursAndBack)
{
    SetValue(HKEY_CURRENT_USER, kHighContrastKey, L"Flags", L"126");
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    const HWND view = program.View();
    // Inside the status panel, below its lines: the panel's own background.
    std::optional<AccessibleItem> panel;
    ASSERT_TRUE(WaitUntil([&] { return (panel = AccessibleTree(view).Find(ROLE_SYSTEM_GROUPING, L"Status")).has_value(); }));
    POINT inside{panel->Box.right - 3, panel->Box.bottom - 3};
    ScreenToClient(view, &inside);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    // As Windows' own switch does: the value, then the news to every top-level window.
    for (const bool on : {true, false}) {
        SetValue(HKEY_CURRENT_USER, kHighContrastKey, L"Flags", on ? L"127" : L"126");
        DWORD_PTR result = 0;
        SendMessageTimeoutW(program.Main(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, SMTO_NORMAL, kLimitMs, &result);
        EXPECT_TRUE(WaitUntil([&] { return (ShownColour(view, inside) == window) == on; })) << on;
    }
}

} // namespace
