// The engine window driven by real window messages: hit testing, hover, the wheel, boxes and
// scrolling through the boundary functions.
#include "tests/engine/EngineTestWindow.h"

#include <windowsx.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kPage[] = R"(<html><body style="margin:0">
<div id="a" style="height:50px; background:red"><div id="b" style="margin-left:100px; width:50px; height:20px"></div></div>
<div id="list" style="height:100px; overflow:auto">
<div id="r0" style="height:20px">0</div><div style="height:20px">1</div><div style="height:20px">2</div>
<div style="height:20px">3</div><div style="height:20px">4</div><div style="height:20px">5</div>
<div style="height:20px">6</div><div style="height:20px">7</div><div style="height:20px">8</div>
<div id="r9" style="height:20px">9</div></div>
<div id="hidden" style="visibility:hidden; height:10px"></div><div id="none" style="display:none"></div>
<div id="menu" style="margin-left:30px; width:60px; height:10px"><popup id="pop" style="width:40px; height:30px">menu</popup></div>
</body></html>)";

struct Seen {
    std::string Id;
    POINT Pos;
};

// Records the mouse downs that reach the root on their way up.
BOOL CALLBACK RecordDown(LPVOID tag, HELEMENT, UINT group, LPVOID params)
{
    auto* mouse = static_cast<HtmlMouseParams*>(params);
    if (group == HL_HANDLE_MOUSE && mouse->cmd == HL_MOUSE_DOWN) {
        LPCWSTR id = nullptr;
        HTMLayoutGetAttributeByName(mouse->target, "id", &id);
        std::wstring wide = id != nullptr ? id : L"";
        static_cast<std::vector<Seen>*>(tag)->push_back({std::string(wide.begin(), wide.end()), mouse->pos});
    }
    return FALSE;
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

class EngineWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_window.Load(kPage));
        ShowWindow(m_window.Window(), SW_SHOWNOACTIVATE);
        EngineTestWindow::Pump(20);
    }
    EngineTestWindow m_window;
};

TEST_F(EngineWindowTest, ClicksReachTheDeepestElementWithItsOwnCoordinates)
{
    std::vector<Seen> seen;
    ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(m_window.Root(), RecordDown, &seen, HL_HANDLE_MOUSE));
    struct Case {
        int X, Y;
        const char* Id;
        POINT Pos;
    };
    const Case cases[] = {
        {110, 5, "b", {10, 5}},  {10, 30, "a", {10, 30}}, {149, 19, "b", {49, 19}},
        {150, 19, "a", {150, 19}}, {5, 55, "r0", {5, 5}},  {5, 245, "", {5, 245}},
    };
    for (const Case& c : cases) {
        seen.clear();
        SendMessageW(m_window.Window(), WM_LBUTTONDOWN, MK_LBUTTON, At(c.X, c.Y));
        SendMessageW(m_window.Window(), WM_LBUTTONUP, 0, At(c.X, c.Y));
        ASSERT_EQ(1u, seen.size()) << c.X << "," << c.Y;
        EXPECT_EQ(c.Id, seen[0].Id) << c.X << "," << c.Y;
        EXPECT_EQ(c.Pos.x, seen[0].Pos.x) << c.X << "," << c.Y;
        EXPECT_EQ(c.Pos.y, seen[0].Pos.y) << c.X << "," << c.Y;
    }
}

TEST_F(EngineWindowTest, HoverFollowsThePointer)
{
    auto hovered = [&](const char* selector) {
        UINT state = 0;
        HTMLayoutGetElementState(m_window.Find(selector), &state);
        return (state & HL_STATE_HOVER) != 0;
    };
    SendMessageW(m_window.Window(), WM_MOUSEMOVE, 0, At(110, 5));
    EXPECT_TRUE(hovered("#b"));
    EXPECT_TRUE(hovered("#a"));
    SendMessageW(m_window.Window(), WM_MOUSEMOVE, 0, At(10, 60));
    EXPECT_FALSE(hovered("#b"));
    EXPECT_FALSE(hovered("#a"));
    EXPECT_TRUE(hovered("#r0"));
    EXPECT_TRUE(hovered("#list"));
    SendMessageW(m_window.Window(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(hovered("#r0"));
}

TEST_F(EngineWindowTest, TheWheelScrollsTheContainerUnderThePointer)
{
    HELEMENT list = m_window.Find("#list");
    auto scrolled = [&] {
        POINT position{};
        HTMLayoutGetScrollInfo(list, &position, nullptr, nullptr);
        return position.y;
    };
    auto wheel = [&](int x, int y, int delta) {
        POINT screen{x, y};
        ClientToScreen(m_window.Window(), &screen);
        SendMessageW(m_window.Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(screen.x, screen.y));
    };
    wheel(10, 20, -WHEEL_DELTA);  // over #a, which does not scroll
    EXPECT_EQ(0, scrolled());
    wheel(10, 80, -WHEEL_DELTA);
    EXPECT_GT(scrolled(), 0);
    wheel(10, 80, -20 * WHEEL_DELTA);
    EXPECT_EQ(100, scrolled());  // 200 of content in a view of 100
    wheel(10, 80, 20 * WHEEL_DELTA);
    EXPECT_EQ(0, scrolled());
}

TEST_F(EngineWindowTest, LocationsVisibilityAndScrollingFollowTheBoxes)
{
    struct Case {
        const char* Selector;
        UINT Areas;
        RECT Expected;
    };
    const Case cases[] = {
        {"#b", HL_VIEW_RELATIVE | HL_BORDER_BOX, {100, 0, 150, 20}},
        {"#b", HL_CONTAINER_RELATIVE | HL_BORDER_BOX, {100, 0, 150, 20}},
        {"#b", HL_SELF_RELATIVE | HL_MARGIN_BOX, {-100, 0, 50, 20}},
        {"#r0", HL_VIEW_RELATIVE | HL_CONTENT_BOX, {0, 50, 0, 70}},
    };
    RECT client{};
    GetClientRect(m_window.Window(), &client);
    for (const Case& c : cases) {
        RECT rect{};
        ASSERT_EQ(HLDOM_OK, HTMLayoutGetElementLocation(m_window.Find(c.Selector), &rect, c.Areas));
        RECT expected = c.Expected;
        if (expected.right == 0)  // full width, less the list's scroll bar
            expected.right = client.right - GetSystemMetrics(SM_CXVSCROLL);
        EXPECT_EQ(expected.left, rect.left) << c.Selector << " " << c.Areas;
        EXPECT_EQ(expected.top, rect.top) << c.Selector << " " << c.Areas;
        EXPECT_EQ(expected.right, rect.right) << c.Selector << " " << c.Areas;
        EXPECT_EQ(expected.bottom, rect.bottom) << c.Selector << " " << c.Areas;
    }
    const std::pair<const char*, BOOL> visibility[] = {{"#b", TRUE}, {"#hidden", FALSE}, {"#none", FALSE}};
    for (const auto& [selector, expected] : visibility) {
        BOOL visible = -1;
        ASSERT_EQ(HLDOM_OK, HTMLayoutIsElementVisible(m_window.Find(selector), &visible));
        EXPECT_EQ(expected, visible) << selector;
    }
    HELEMENT list = m_window.Find("#list");
    ASSERT_EQ(HLDOM_OK, HTMLayoutScrollToView(m_window.Find("#r9"), 0));
    POINT position{};
    SIZE content{};
    RECT view{};
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetScrollInfo(list, &position, &view, &content));
    EXPECT_EQ(100, position.y);
    EXPECT_EQ(200, content.cy);
    EXPECT_EQ(100, view.bottom - view.top);
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetScrollPos(list, POINT{0, 40}, TRUE));
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetScrollInfo(list, &position, nullptr, nullptr));
    EXPECT_EQ(40, position.y);
    EXPECT_EQ(170u, HTMLayoutGetMinHeight(m_window.Window(), 400));
}

// Records the layers an element is asked to draw, with the area and whether a DC came along.
BOOL CALLBACK RecordDraw(LPVOID tag, HELEMENT, UINT group, LPVOID params)
{
    if (group == HL_HANDLE_DRAW) {
        auto* draw = static_cast<HtmlDrawParams*>(params);
        if (draw->hdc != nullptr)
            static_cast<std::vector<std::pair<UINT, RECT>>*>(tag)->push_back({draw->cmd, draw->area});
    }
    return FALSE;
}

TEST_F(EngineWindowTest, ElementsDrawTheirLayersWhenPainted)
{
    std::vector<std::pair<UINT, RECT>> layers;
    ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(m_window.Find("#b"), RecordDraw, &layers, HL_HANDLE_DRAW));
    RedrawWindow(m_window.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_EQ(3u, layers.size());
    for (UINT layer = 0; layer < 3; ++layer) {
        EXPECT_EQ(layer, layers[layer].first);
        EXPECT_EQ(100, layers[layer].second.left);
        EXPECT_EQ(150, layers[layer].second.right);
    }
}

TEST_F(EngineWindowTest, AnUpdatedElementIsPaintedAgainThoughNothingChanged)
{
    std::vector<std::pair<UINT, RECT>> layers;
    HELEMENT b = m_window.Find("#b");
    ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(b, RecordDraw, &layers, HL_HANDLE_DRAW));
    RedrawWindow(m_window.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    layers.clear();
    ASSERT_EQ(HLDOM_OK, HTMLayoutUpdateElement(b, HL_UPDATE_REPAINT));
    UpdateWindow(m_window.Window());
    EXPECT_EQ(3u, layers.size());
}

// A table's sticky header row in a scroller of 100 pixels, over ten rows of 20.
TEST(EngineStickyRows, TheHeaderStaysInViewHitThereAndRowsScrollOutFromUnderIt)
{
    std::string page = R"(<html><body style="margin:0"><div id="list" style="height:100px; overflow:hidden">
        <table style="width:100%; border-spacing:0"><tr id="head" style="position:sticky; top:0">
        <th id="name" style="height:20px; padding:0">Name</th></tr>)";
    for (int i = 1; i <= 10; ++i)
        page += "<tr id=\"r" + std::to_string(i) + "\"><td style=\"height:20px; padding:0\">" + std::to_string(i) + "</td></tr>";
    page += "</table></div></body></html>";
    EngineTestWindow window;
    ASSERT_TRUE(window.Load(page));
    ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    EngineTestWindow::Pump(20);
    HELEMENT list = window.Find("#list");
    std::vector<Seen> seen;
    ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(window.Root(), RecordDown, &seen, HL_HANDLE_MOUSE));
    auto top = [&](const char* selector) {
        RECT rect{};
        HTMLayoutGetElementLocation(window.Find(selector), &rect, HL_VIEW_RELATIVE | HL_BORDER_BOX);
        return rect.top;
    };
    auto scrolled = [&] {
        POINT position{};
        HTMLayoutGetScrollInfo(list, &position, nullptr, nullptr);
        return position.y;
    };
    struct Case {
        const char* Shown;  // the row scrolled into view
        int Scroll;         // where the list stands then
        int RowTop;         // where the row shows
    };
    const Case cases[] = {
        {"#r10", 120, 80},  // down to the end
        {"#r6", 100, 20},   // it lay under the header: out from under it
        {"#r1", 0, 20},     // back up to the first row, below the header
        {"#r4", 0, 80},     // in view already
    };
    for (const Case& c : cases) {
        ASSERT_EQ(HLDOM_OK, HTMLayoutScrollToView(window.Find(c.Shown), 0));
        EXPECT_EQ(c.Scroll, scrolled()) << c.Shown;
        EXPECT_EQ(c.RowTop, top(c.Shown)) << c.Shown;
        EXPECT_EQ(0, top("#head")) << c.Shown;
    }
    // Scrolled to the end, a press on the header's place reaches the header, not the row under it.
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetScrollPos(list, POINT{0, 120}, FALSE));
    for (int y : {5, 30}) {
        seen.clear();
        SendMessageW(window.Window(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, y));
        SendMessageW(window.Window(), WM_LBUTTONUP, 0, At(5, y));
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(y == 5 ? "name" : "", seen[0].Id) << y;
        EXPECT_EQ(y == 5 ? 5 : 10, seen[0].Pos.y) << y;
    }
}

TEST_F(EngineWindowTest, PopupsShowInWindowsOfTheirOwnBesideTheirAnchor)
{
    HELEMENT popup = m_window.Find("#pop");
    BOOL visible = TRUE;
    ASSERT_EQ(HLDOM_OK, HTMLayoutIsElementVisible(popup, &visible));
    EXPECT_FALSE(visible);
    ASSERT_EQ(HLDOM_OK, HTMLayoutShowPopup(popup, m_window.Find("#b"), 2));
    HWND window = FindWindowExW(nullptr, nullptr, L"HtmlEnginePopup", nullptr);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(IsWindowVisible(window));
    RECT onScreen{};
    GetWindowRect(window, &onScreen);
    POINT anchor{100, 20};  // #b's bottom left corner
    ClientToScreen(m_window.Window(), &anchor);
    EXPECT_EQ(anchor.x, onScreen.left);
    EXPECT_EQ(anchor.y, onScreen.top);
    EXPECT_EQ(40, onScreen.right - onScreen.left);
    RECT menu{};
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetElementLocation(m_window.Find("#menu"), &menu, HL_VIEW_RELATIVE | HL_BORDER_BOX));
    EXPECT_EQ(10, menu.bottom - menu.top);  // the popup takes no room in the flow
    std::vector<Seen> seen;
    ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(m_window.Root(), RecordDown, &seen, HL_HANDLE_MOUSE));
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));  // in the popup's own window
    SendMessageW(window, WM_LBUTTONUP, 0, At(5, 5));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("pop", seen[0].Id);
    EXPECT_EQ(5, seen[0].Pos.x);
    std::vector<HELEMENT> dismissed;
    auto recordDismissed = [](LPVOID tag, HELEMENT, UINT group, LPVOID params) -> BOOL {
        auto* event = static_cast<HtmlBehaviorEventParams*>(params);
        if (group == HL_HANDLE_BEHAVIOR_EVENT && event->cmd == HL_POPUP_DISMISSED)
            static_cast<std::vector<HELEMENT>*>(tag)->push_back(event->heTarget);
        return FALSE;
    };
    ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(m_window.Root(), recordDismissed, &dismissed, HL_HANDLE_BEHAVIOR_EVENT));
    SendMessageW(m_window.Window(), WM_LBUTTONDOWN, MK_LBUTTON, At(300, 200));  // outside: it closes
    SendMessageW(m_window.Window(), WM_LBUTTONUP, 0, At(300, 200));
    EXPECT_FALSE(IsWindowVisible(window));
    ASSERT_EQ(HLDOM_OK, HTMLayoutIsElementVisible(popup, &visible));
    EXPECT_FALSE(visible);
    // Whoever showed it hears that it closed, once: hiding a hidden popup tells nobody.
    ASSERT_EQ(HLDOM_OK, HTMLayoutHidePopup(popup));
    EngineTestWindow::Pump(50);
    EXPECT_EQ(std::vector<HELEMENT>{popup}, dismissed);
    HTMLayoutDetachEventHandler(m_window.Root(), recordDismissed, &dismissed);
}

} // namespace

namespace {

std::string FocusedId(const EngineTestWindow& window)
{
    HELEMENT found = window.Find(":focus");
    LPCWSTR id = nullptr;
    if (found != nullptr)
        HTMLayoutGetAttributeByName(found, "id", &id);
    std::wstring wide = id != nullptr ? id : L"";
    return std::string(wide.begin(), wide.end());
}

void PressKey(HWND window, UINT key, bool shift)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageW(window, WM_KEYDOWN, key, 1);
    SendMessageW(window, WM_KEYUP, key, 0xC0000001);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

} // namespace

TEST(EngineKeyboard, TabVisitsTheFocusableElementsInOrderAndSpaceClicks)
{
    EngineTestWindow window;
    ASSERT_TRUE(window.Load(R"(<html><body>
        <input id="name"> <input id="off" disabled> <a id="nolink">text</a> <a id="link" href="x">link</a>
        <button id="ok">OK</button> <input id="box" type="checkbox"> <div id="first" tabindex="1">first</div>
        <input id="skipped" tabindex="-1"> <select id="list"><option>a</option></select>
        <span style="display:none"><input id="hidden"></span></body></html>)"));
    ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    const char* forward[] = {"first", "name", "link", "ok", "box", "list", "first"};
    for (const char* expected : forward) {
        PressKey(window.Window(), VK_TAB, false);
        EXPECT_EQ(expected, FocusedId(window)) << "forward to " << expected;
    }
    const char* backward[] = {"list", "box", "ok"};
    for (const char* expected : backward) {
        PressKey(window.Window(), VK_TAB, true);
        EXPECT_EQ(expected, FocusedId(window));
    }
    PressKey(window.Window(), VK_TAB, false);  // to the checkbox
    PressKey(window.Window(), VK_SPACE, false);
    UINT state = 0;
    HTMLayoutGetElementState(window.Find("#box"), &state);
    EXPECT_NE(0u, state & HL_STATE_CHECKED);
    EXPECT_EQ(DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB,
              SendMessageW(window.Window(), WM_GETDLGCODE, 0, 0));
    // A page loaded into the window that has the focus gives it to the element marked for it.
    SetFocus(window.Window());
    ASSERT_TRUE(window.Load(R"(<input id="one"><input id="two" autofocus>)"));
    EXPECT_EQ("two", FocusedId(window));
}

namespace {

// Destroys its element's window when the event it waits for comes up from the target.
struct Destroyer {
    HWND Window;
    UINT Group;
    UINT Code;
    int Calls = 0;
};

BOOL CALLBACK DestroyOnEvent(LPVOID tag, HELEMENT, UINT group, LPVOID params)
{
    auto* destroyer = static_cast<Destroyer*>(tag);
    UINT code = *static_cast<UINT*>(params);
    if (group == HL_HANDLE_TIMER)
        code = static_cast<UINT>(static_cast<HtmlTimerParams*>(params)->timerId);
    if (group != destroyer->Group || code != destroyer->Code)
        return FALSE;
    ++destroyer->Calls;
    DestroyWindow(destroyer->Window);
    return FALSE;  // the engine goes on as it would after any handler
}

} // namespace

// Run once more under Wine's heap checking (tests/engine/CMakeLists.txt): what the engine touched
// of a freed view would fault there.
TEST(EngineWindowEnd, AProcedureThatDestroysItsWindowInAnEventLeavesTheEngineSound)
{
    constexpr UINT kPosted = 0x7001;
    constexpr UINT kTimer = 7;
    struct Case {
        const char* What;
        UINT Message;  // 0: posted twice; WM_TIMER: an element timer
        WPARAM WParam;
        UINT Group;
        UINT Code;
    };
    const Case cases[] = {
        {"press", WM_LBUTTONDOWN, MK_LBUTTON, HL_HANDLE_MOUSE, HL_MOUSE_DOWN},
        {"focus from a press", WM_LBUTTONDOWN, MK_LBUTTON, HL_HANDLE_FOCUS, HL_FOCUS_GOT},
        {"click on release", WM_LBUTTONUP, 0, HL_HANDLE_BEHAVIOR_EVENT, HL_BUTTON_CLICK},
        {"double click", WM_LBUTTONDBLCLK, MK_LBUTTON, HL_HANDLE_MOUSE, HL_MOUSE_DCLICK},
        {"right press", WM_RBUTTONDOWN, MK_RBUTTON, HL_HANDLE_MOUSE, HL_MOUSE_DOWN},
        {"pointer enters", WM_MOUSEMOVE, 0, HL_HANDLE_MOUSE, HL_MOUSE_ENTER},
        {"pointer moves", WM_MOUSEMOVE, 0, HL_HANDLE_MOUSE, HL_MOUSE_MOVE},
        {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), HL_HANDLE_MOUSE, HL_MOUSE_WHEEL},
        {"key", WM_KEYDOWN, VK_SPACE, HL_HANDLE_KEY, HL_KEY_DOWN},
        {"character", WM_CHAR, 'x', HL_HANDLE_KEY, HL_KEY_CHAR},
        {"posted event", 0, 0, HL_HANDLE_BEHAVIOR_EVENT, kPosted},
        {"timer", WM_TIMER, 0, HL_HANDLE_TIMER, kTimer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EngineTestWindow window;
        ASSERT_TRUE(window.Load(R"(<html><body style="margin:0">
            <button id="go" style="width:100px; height:30px">go</button>
            <div style="height:50px; overflow:auto"><div style="height:500px">tall</div></div></body></html>)"));
        ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
        if (c.Message == WM_LBUTTONUP)
            SendMessageW(window.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        Destroyer destroyer{window.Window(), c.Group, c.Code};
        ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(window.Root(), DestroyOnEvent, &destroyer, HL_HANDLE_ALL));
        POINT at{10, 10};
        if (c.Message == WM_MOUSEWHEEL) {
            at = {10, 60};
            ClientToScreen(window.Window(), &at);
        }
        if (c.Message == 0) {
            HTMLayoutPostEvent(window.Root(), kPosted, nullptr, 0);
            HTMLayoutPostEvent(window.Root(), kPosted, nullptr, 0);
            EngineTestWindow::Pump(100);
        } else if (c.Message == WM_TIMER) {
            HTMLayoutSetTimer(window.Root(), 10, kTimer);
            EngineTestWindow::Pump(100);
        } else {
            SendMessageW(window.Window(), c.Message, c.WParam, MAKELPARAM(at.x, at.y));
            if (c.Message == WM_KEYDOWN)
                SendMessageW(window.Window(), WM_KEYUP, c.WParam, 0xC0000001);
        }
        EXPECT_EQ(1, destroyer.Calls);
        EXPECT_FALSE(IsWindow(destroyer.Window));
        EngineTestWindow::Pump(50);
    }
}
