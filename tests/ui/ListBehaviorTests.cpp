// The list, tab, popup and shortcut behaviors on the page lists.html, driven by real mouse and key
// messages to the engine window.
#include "TestHost.h"
#include "ui/AccessKeysBehavior.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A host on the list page (or a page of the test's own) that records the behavior events
// reaching the root as "code:target id", the presses reaching the root, and closes the boxes
// titled "alert!" that an action shows, noting their text.
class ListHost : public TestHost {
public:
    HWND OpenPage(const std::string& html = {}, HWND parent = nullptr)
    {
        HWND window = Create(parent, parent != nullptr ? RECT{0, 0, 200, 100} : RECT{0, 0, 640, 560},
                             parent != nullptr ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE);
        const BYTE* bytes = reinterpret_cast<const BYTE*>(html.data());
        DWORD length = static_cast<DWORD>(html.size());
        if (html.empty()) {
            EXPECT_TRUE(FindPage(L"LISTS", bytes, length));
        }
        EXPECT_TRUE(LoadPage(bytes, length));
        return window;
    }

    // Runs what may show an alert box, closing it once it shows; the text it showed, if any.
    std::wstring CloseAlert(const std::function<void()>& action, DWORD wait = 5000)
    {
        std::wstring seen;
        std::atomic<bool> done{false};
        std::thread closer([&] {
            for (DWORD start = GetTickCount(); !done && GetTickCount() - start < wait; Sleep(20)) {
                if (HWND box = FindWindowW(L"#32770", L"alert!")) {
                    wchar_t text[256] = {};
                    GetDlgItemTextW(box, 0xFFFF, text, 256);
                    seen = text;
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
                    return;
                }
            }
        });
        action();
        done = true;
        closer.join();
        return seen;
    }

    // The key sent as the keyboard would, with the modifiers held.
    void Press(UINT key, UINT modifiers = 0) const
    {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = (modifiers & HL_CONTROL_KEY_PRESSED) != 0 ? 0x80 : 0;
        keys[VK_SHIFT] = (modifiers & HL_SHIFT_KEY_PRESSED) != 0 ? 0x80 : 0;
        keys[VK_MENU] = (modifiers & HL_ALT_KEY_PRESSED) != 0 ? 0x80 : 0;
        SetKeyboardState(keys);
        const bool alt = (modifiers & HL_ALT_KEY_PRESSED) != 0;
        SendMessageW(Window(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? 0x20000001 : 1);
        SendMessageW(Window(), alt ? WM_SYSKEYUP : WM_KEYUP, key, alt ? 0xE0000001 : 0xC0000001);
        BYTE none[256] = {};
        SetKeyboardState(none);
    }

    [[nodiscard]] std::vector<std::string> TakeEvents()
    {
        TestHost::Pump(30);
        std::vector<std::string> taken;
        taken.swap(m_events);
        return taken;
    }

    int PressesAtRoot = 0;

protected:
    bool OnEvent(HELEMENT, HtmlBehaviorEventParams& params) override
    {
        if (params.cmd >= HL_SINKING || params.cmd == HL_POPUP_DISMISSED)
            return false;
        char code[16];
        std::snprintf(code, sizeof code, "%x:", params.cmd);
        const std::wstring id = ElementRef(params.heTarget).AttributeString("id");
        m_events.push_back(code + std::string(id.begin(), id.end()));
        return false;
    }
    bool OnMouse(HELEMENT, HtmlMouseParams& params) override
    {
        if (params.cmd == HL_MOUSE_DOWN || params.cmd == HL_MOUSE_DCLICK)
            ++PressesAtRoot;
        return false;
    }

private:
    std::vector<std::string> m_events;
};

std::string Ids(const ListHost& host, const char* selector)
{
    std::vector<ElementRef> found;
    SelectAll(host.Root(), found, "%s", selector);
    std::string ids;
    for (const ElementRef& element : found) {
        const std::wstring id = element.AttributeString("id");
        if (!ids.empty())
            ids += ' ';
        ids.append(id.begin(), id.end());
    }
    return ids;
}

} // namespace

TEST(AccessKeysBehaviorTest, NamesKeysAsShortcutsAreWritten)
{
    struct Case {
        UINT Key;
        UINT States;
        wchar_t Character;
        const char* Name;
    };
    const Case cases[] = {
        {'S', HL_CONTROL_KEY_PRESSED, 0, "^S"},
        {VK_F5, 0, 0, "!F5"},
        {VK_F24, 0, 0, "!F24"},
        {'A', HL_SHIFT_KEY_PRESSED, 0, ""},
        {'S', HL_CONTROL_KEY_PRESSED | HL_SHIFT_KEY_PRESSED, 0, ""},
        {'7', 0, 0, "!7"},
        {VK_NUMPAD3, HL_CONTROL_KEY_PRESSED, 0, "^NUMPAD3"},
        {VK_RETURN, 0, 0, "!RETURN"},
        {VK_PRIOR, 0, 0, "!PRIOR"},
        {VK_OEM_1, 0, 0, ""},  // no name of its own
        {'H', HL_ALT_KEY_PRESSED, L'h', "h"},
        {'H', HL_ALT_KEY_PRESSED | HL_SHIFT_KEY_PRESSED, L'H', "H"},
        {VK_OEM_7, HL_ALT_KEY_PRESSED, L'\'', ""},  // quotes would end the selector's string
        {'2', HL_ALT_KEY_PRESSED | HL_SHIFT_KEY_PRESSED, L'"', ""},
        {'E', HL_ALT_KEY_PRESSED, 0x00E9, "\xC3\xA9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Name, AccessKeyName(c.Key, c.States, c.Character)) << c.Key << " " << c.States;
}

// The search of frames is the gallery's test: it needs real iframes, with windows of their own.
TEST(AccessKeysBehaviorTest, KeysClickTheNamedElementInTheParentPageThenThisPage)
{
    ListHost host;
    host.OpenPage();
    // F5 clicks the button, Ctrl+2 a tab (no click of its own: its strip is asked to activate it),
    // Alt+H a button whose action shows a box.
    host.Press(VK_F5);
    EXPECT_EQ(std::vector<std::string>{"0:refresh"}, host.TakeEvents());
    host.Press('2', HL_CONTROL_KEY_PRESSED);
    EXPECT_EQ("tab-proxy", Ids(host, "[panel]:current"));
    EXPECT_EQ((std::vector<std::string>{"90:tab-general", "91:tab-proxy"}), host.TakeEvents());
    EXPECT_EQ(L"Press F1 for help.", host.CloseAlert([&] { host.Press('H', HL_ALT_KEY_PRESSED); }));
    host.Press('A', HL_SHIFT_KEY_PRESSED);
    EXPECT_TRUE(host.TakeEvents().empty());

    // A page inside the list page's window: with its window focused, the outer page is searched
    // first, then its own.
    ListHost inner;
    inner.OpenPage("<html style='behavior: accesskeys'><body><button id=inner-f5 accesskey='!F5'>F5</button>"
                   "<button id=inner-f6 accesskey='!F6'>F6</button></body></html>",
                   host.Window());
    SetActiveWindow(host.Window());
    SetFocus(inner.Window());
    ASSERT_EQ(inner.Window(), GetFocus());
    inner.Press(VK_F5);
    EXPECT_EQ(std::vector<std::string>{"0:refresh"}, host.TakeEvents());
    EXPECT_TRUE(inner.TakeEvents().empty());
    inner.Press(VK_F6);
    EXPECT_EQ(std::vector<std::string>{"0:inner-f6"}, inner.TakeEvents());
    // A disabled command's shortcut does nothing, and looks no further.
    host.Find("#refresh").SetState(HL_STATE_DISABLED, 0, Repaint::Yes);
    inner.Press(VK_F5);
    EXPECT_TRUE(host.TakeEvents().empty());
    EXPECT_TRUE(inner.TakeEvents().empty());
}

TEST(ActionsBehaviorTest, AlertActionShowsItsTextInABoxTitledAlert)
{
    ListHost host;
    host.OpenPage();
    EXPECT_EQ(L"Saved.", host.CloseAlert([&] { host.Click(host.Center(host.Find("#save"))); }));
    // The box took the click: the page's root never heard of it.
    EXPECT_TRUE(host.TakeEvents().empty());
    // A button without an alert action shows nothing and goes on up the page.
    EXPECT_EQ(L"", host.CloseAlert([&] { host.Click(host.Center(host.Find("#refresh"))); }, 300));
    EXPECT_EQ(std::vector<std::string>{"0:refresh"}, host.TakeEvents());
}

TEST(TabsBehaviorTest, MouseAndKeysSelectOneTabAndPanelAndTellTheTabsLeftAndChosen)
{
    ListHost host;
    host.OpenPage();
    EXPECT_EQ("tab-general", Ids(host, "[panel]:current"));
    EXPECT_EQ("panel-general", Ids(host, "[name]:expanded"));
    struct Step {
        const char* Click;  // a tab to click, or null for the key
        UINT Key;
        UINT Modifiers;
        const char* Chosen;
        std::vector<std::string> Events;
    };
    const Step steps[] = {
        {"#tab-proxy", 0, 0, "proxy", {"90:tab-general", "91:tab-proxy"}},
        {"#tab-proxy", 0, 0, "proxy", {}},  // the tab shown already: nothing changes
        {nullptr, VK_RIGHT, 0, "bypass", {"90:tab-proxy", "91:tab-bypass"}},
        {nullptr, VK_RIGHT, 0, "bypass", {}},
        {nullptr, VK_LEFT, 0, "proxy", {"90:tab-bypass", "91:tab-proxy"}},
        {nullptr, VK_HOME, 0, "general", {"90:tab-proxy", "91:tab-general"}},
        {nullptr, VK_HOME, 0, "general", {}},
        {nullptr, VK_END, 0, "bypass", {"90:tab-general", "91:tab-bypass"}},
        {nullptr, VK_TAB, HL_CONTROL_KEY_PRESSED, "general", {"90:tab-bypass", "91:tab-general"}},
        {nullptr, VK_TAB, HL_CONTROL_KEY_PRESSED | HL_SHIFT_KEY_PRESSED, "bypass", {"90:tab-general", "91:tab-bypass"}},
        {nullptr, VK_TAB, HL_CONTROL_KEY_PRESSED | HL_SHIFT_KEY_PRESSED, "proxy", {"90:tab-bypass", "91:tab-proxy"}},
    };
    for (const Step& step : steps) {
        if (step.Click != nullptr)
            host.Click(host.Center(host.Find(step.Click)));
        else
            host.Press(step.Key, step.Modifiers);
        const std::string chosen = step.Chosen;
        EXPECT_EQ("tab-" + chosen, Ids(host, "[panel]:current")) << chosen;
        EXPECT_EQ("tab-" + chosen, Ids(host, "[panel][selected]")) << chosen;
        EXPECT_EQ("panel-" + chosen, Ids(host, "[name][selected]")) << chosen;
        EXPECT_EQ("panel-" + chosen, Ids(host, "[name]:expanded")) << chosen;
        EXPECT_EQ(step.Events, host.TakeEvents()) << chosen;
    }
}

TEST(ListBehaviorTest, ExpandableAndCollapsibleListsFollowTheMouseAndUpAndDown)
{
    ListHost host;
    host.OpenPage();
    struct Step {
        const char* Click;  // an item to click, or null for the key (none: the state at attach)
        UINT Key;
        const char* Current;
        const char* Expanded;
        const char* Collapsed;
    };
    const std::pair<const char*, std::vector<Step>> lists[] = {
        {"expandable",
         {{nullptr, 0, "e2", "e2", "e1 e3"},
          {"#e3", 0, "e3", "e3", "e1"},  // the item left behind is neither expanded nor collapsed
          {nullptr, VK_UP, "e2", "e2", "e1"},
          {nullptr, VK_UP, "e1", "e1", ""},
          {nullptr, VK_UP, "e1", "e1", ""},
          {nullptr, VK_DOWN, "e2", "e2", ""},
          {"#e2 b", 0, "e2", "e2", ""}}},
        {"collapsible",
         {{nullptr, 0, "c1", "c1", "c2 c3"},
          {"#c2", 0, "c2", "c2", "c1 c3"},
          {"#c2", 0, "c2", "", "c1 c2 c3"},  // chosen again: closed, still current
          {nullptr, VK_DOWN, "c3", "c3", "c1 c2"},
          {nullptr, VK_UP, "c2", "c2", "c1 c3"},
          {nullptr, VK_DOWN, "c3", "c3", "c1 c2"},
          {nullptr, VK_DOWN, "c3", "c3", "c1 c2"}}},
    };
    for (const auto& [name, steps] : lists) {
        const std::string id = std::string("#") + name;
        for (const Step& step : steps) {
            if (step.Click != nullptr)
                host.Click(host.Center(host.Find(step.Click)));
            else if (step.Key != 0)
                host.Press(step.Key);
            const std::string at = std::string(name) + " " + (step.Click != nullptr ? step.Click : "key");
            EXPECT_EQ(step.Current, Ids(host, (id + " > :current").c_str())) << at;
            EXPECT_EQ(step.Expanded, Ids(host, (id + " > :expanded").c_str())) << at;
            EXPECT_EQ(step.Collapsed, Ids(host, (id + " > :collapsed").c_str())) << at;
        }
    }
}

TEST(CollapsibleByIconBehaviorTest, OnlyTheIconTogglesAndEveryPressIsTaken)
{
    ListHost host;
    host.OpenPage();
    const POINT icon = host.Center(host.Find("#icon"));
    const POINT title = host.Center(host.Find("#title"));
    struct Step {
        POINT At;
        UINT Message;
        const wchar_t* State;
    };
    const Step steps[] = {
        {title, WM_LBUTTONDOWN, L"close"},
        {icon, WM_LBUTTONDOWN, L"open"},
        {icon, WM_LBUTTONDOWN, L"close"},
        {icon, WM_LBUTTONDBLCLK, L"open"},
        {title, WM_LBUTTONDBLCLK, L"open"},
    };
    for (const Step& step : steps) {
        host.Mouse(step.Message, step.At, MK_LBUTTON);
        host.Mouse(WM_LBUTTONUP, step.At);
        EXPECT_EQ(step.State, host.Find("#section").AttributeString("state"));
    }
    EXPECT_EQ(0, host.PressesAtRoot);
}

TEST(DropdownBehaviorTest, PopupShowsBelowAndHidesWhenItsWorkIsDone)
{
    ListHost host;
    host.OpenPage();
    const ElementRef dropdown = host.Find("#dropdown");
    const ElementRef popup = host.Find("#dd-popup");
    struct Case {
        const char* How;
        std::function<void()> Close;
    };
    const Case cases[] = {
        {"mouse up inside",
         [&] {
             HWND window = EngineTestWindow::ShownPopupWindow();
             SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
             SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
         }},
        {"button clicked inside",
         [&] {
             HtmlMethodParams click{HL_DO_CLICK};
             HTMLayoutCallBehaviorMethod(host.Find("#dd-button").Handle(), &click);
         }},
        {"focus moved outside",
         [&] {
             host.Find("#dd-button").SetFocus();
             TestHost::Pump(30);
             EXPECT_TRUE(popup.TestState(HL_STATE_POPUP)) << "focus inside keeps it";
             host.Find("#modify").SetFocus();
         }},
        {"press outside", [&] { host.Click(host.Center(host.Find("#title"))); }},
    };
    for (const Case& c : cases) {
        host.Mouse(WM_LBUTTONDOWN, host.Center(host.Find("#dd-caption")), MK_LBUTTON);
        host.Mouse(WM_LBUTTONUP, host.Center(host.Find("#dd-caption")));
        TestHost::Pump(30);
        ASSERT_TRUE(popup.TestState(HL_STATE_POPUP)) << c.How;
        EXPECT_TRUE(dropdown.HasAttribute("popup-shown")) << c.How;
        HWND window = EngineTestWindow::ShownPopupWindow();
        ASSERT_NE(nullptr, window) << c.How;
        RECT shown{};
        GetWindowRect(window, &shown);
        RECT anchor = dropdown.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
        MapWindowPoints(host.Window(), nullptr, reinterpret_cast<POINT*>(&anchor), 2);
        EXPECT_GE(shown.top, anchor.bottom) << c.How;
        EXPECT_EQ(anchor.left, shown.left) << c.How;
        c.Close();
        TestHost::Pump(50);
        EXPECT_FALSE(popup.TestState(HL_STATE_POPUP)) << c.How;
        EXPECT_EQ(nullptr, EngineTestWindow::ShownPopupWindow()) << c.How;
        EXPECT_FALSE(dropdown.HasAttribute("popup-shown")) << c.How;
    }
}

TEST(DropdownBehaviorTest, PlainSelectKeepsTheEnginesOwnDropDown)
{
    // The engine's own sheet names "dropdown" for every select: the program's behavior of that
    // name must not take it over, or the editor's adapter list would stop working.
    ListHost host;
    host.OpenPage("<html><body><select id=sel><option>One</option><option>Two</option></select></body></html>");
    const ElementRef select = host.Find("#sel");
    host.Click(host.Center(select));
    ASSERT_NE(nullptr, EngineTestWindow::ShownPopupWindow());
    EXPECT_FALSE(select.HasAttribute("popup-shown"));
    host.Press(VK_DOWN);
    host.Press(VK_RETURN);
    EXPECT_EQ(nullptr, EngineTestWindow::ShownPopupWindow());
    EXPECT_EQ(L"Two", select.Value().AsString());
}

TEST(EditableSelectBehaviorTest, ModifyAddTypeAndSaveTheList)
{
    ListHost host;
    host.OpenPage();
    const ElementRef list = host.Find("#items");
    const ElementRef button = host.Find("#modify");
    host.Click(host.Center(button));
    EXPECT_EQ(L"Save", button.Text());
    EXPECT_EQ(L"save-list", button.AttributeString("action"));
    EXPECT_TRUE(list.HasAttribute("editable"));
    ASSERT_TRUE(host.Find("#items > text > button[action='add-new']"));

    // A new item takes the focus; typing replaces its blank, Backspace takes back.
    host.Click(host.Center(host.Find("[action='add-new']")));
    ASSERT_EQ(4u, list.ChildCount());
    const ElementRef added = list.Child(2);
    EXPECT_TRUE(added.TestState(HL_STATE_FOCUS));
    for (wchar_t c : std::wstring(L"Labs"))
        SendMessageW(host.Window(), WM_CHAR, c, 1);
    host.Press(VK_BACK);
    EXPECT_EQ(L"Lab", added.Text());
    host.Press(VK_UP);
    EXPECT_TRUE(list.Child(1).TestState(HL_STATE_FOCUS));
    host.Press(VK_RETURN);
    EXPECT_TRUE(added.TestState(HL_STATE_FOCUS));

    // A second new item left blank goes when the list is saved.
    host.Click(host.Center(host.Find("[action='add-new']")));
    ASSERT_EQ(5u, list.ChildCount());
    host.Click(host.Center(button));
    EXPECT_EQ(L"Modify", button.Text());
    EXPECT_EQ(L"edit-list", button.AttributeString("action"));
    EXPECT_FALSE(list.HasAttribute("editable"));
    ASSERT_EQ(3u, list.ChildCount());
    EXPECT_EQ(L"Lab", list.Child(2).Text());
}
