// The host's windows in element boxes: asked for once, kept over the content box, gone with
// their element.
#include "EngineTestWindow.h"

#include <map>

namespace {

// A host that answers the create-control notification with a static window of the given size,
// with 1 (failed) or with nothing.
class WindowHost {
public:
    enum class Answer { Window, Failed, Nothing };

    WindowHost(EngineTestWindow& page, Answer answer, SIZE own = {0, 0}) : m_answer(answer), m_own(own)
    {
        HTMLayoutSetCallback(page.Window(), &WindowHost::Notify, this);
    }

    struct Asked {
        HWND From;
        HWND Parent;
        HWND Made;
    };
    std::map<HELEMENT, std::vector<Asked>> asked;

private:
    static LRESULT CALLBACK Notify(UINT, WPARAM, LPARAM lParam, LPVOID param)
    {
        auto& self = *static_cast<WindowHost*>(param);
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code != HLN_CREATE_CONTROL)
            return 0;
        auto* request = reinterpret_cast<HtmlNotifyCreateControl*>(lParam);
        if (self.m_answer == Answer::Window)
            request->controlWindow = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, self.m_own.cx, self.m_own.cy,
                                                     request->parentWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
        else if (self.m_answer == Answer::Failed)
            request->controlWindow = reinterpret_cast<HWND>(1);
        self.asked[request->element].push_back({header->hwndFrom, request->parentWindow, request->controlWindow});
        return 0;
    }

    Answer m_answer;
    SIZE m_own;
};

// The test window itself is never shown: the window's own style says whether it was hidden.
bool Shown(HWND window)
{
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

RECT ContentBox(HELEMENT he)
{
    RECT box{};
    HTMLayoutGetElementLocation(he, &box, HL_CONTENT_BOX | HL_VIEW_RELATIVE);
    return box;
}

RECT WindowPlace(HWND window)
{
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

void ExpectSame(const RECT& expected, const RECT& actual, const char* what)
{
    EXPECT_EQ(expected.left, actual.left) << what;
    EXPECT_EQ(expected.top, actual.top) << what;
    EXPECT_EQ(expected.right, actual.right) << what;
    EXPECT_EQ(expected.bottom, actual.bottom) << what;
}

constexpr const char* kPage =
    "<html><body style='margin:4px'>"
    "<p>before</p>"
    "<iframe id=sized style='width:120px;height:80px;padding:3px;border:2px solid'></iframe>"
    "<div id=auto type=sys-thing></div>"
    "<div id=plain type=text>plain</div>"
    "<span>before <iframe id=blocky style='display:block;width:30px;height:10px'></iframe> after</span>"
    "<div id=scroller style='height:60px;overflow:auto'><div style='height:100px'></div>"
    "<widget id=inner type='sys-calendar' style='width:50px;height:30px'></widget><div style='height:100px'></div></div>"
    "</body></html>";

} // namespace

TEST(NativeWindows, AsksOnceForEachWindowElementAndFitsItsBox)
{
    EngineTestWindow page;
    WindowHost host(page, WindowHost::Answer::Window, {70, 40});
    ASSERT_TRUE(page.Load(kPage));
    EngineTestWindow::Pump(50);
    // A change that lays the page out again asks nobody twice.
    HTMLayoutSetStyleAttribute(page.Find("p"), "padding", L"5px");
    EngineTestWindow::Pump(50);

    ASSERT_EQ(4u, host.asked.size());
    EXPECT_EQ(0u, host.asked.count(page.Find("#plain")));
    for (const char* selector : {"#sized", "#auto", "#inner", "#blocky"}) {
        HELEMENT element = page.Find(selector);
        ASSERT_EQ(1u, host.asked[element].size()) << selector;
        const WindowHost::Asked& asked = host.asked[element][0];
        EXPECT_EQ(page.Window(), asked.From) << selector;
        EXPECT_EQ(page.Window(), asked.Parent) << selector;
        HWND made = asked.Made;
        EXPECT_TRUE(Shown(made)) << selector;
        ExpectSame(ContentBox(element), WindowPlace(made), selector);
    }
    RECT sized = ContentBox(page.Find("#sized"));
    EXPECT_EQ(120, sized.right - sized.left);
    EXPECT_EQ(80, sized.bottom - sized.top);
    // Without a size of its own in the style it takes the window's own.
    RECT own = ContentBox(page.Find("#auto"));
    EXPECT_EQ(70, own.right - own.left);
    EXPECT_EQ(40, own.bottom - own.top);
}

TEST(NativeWindows, WindowFollowsItsBoxAndHidesWithIt)
{
    EngineTestWindow page;
    WindowHost host(page, WindowHost::Answer::Window);
    ASSERT_TRUE(page.Load(kPage));
    EngineTestWindow::Pump(50);
    HELEMENT inner = page.Find("#inner");
    ASSERT_EQ(1u, host.asked[inner].size());
    HWND window = host.asked[inner][0].Made;
    RECT before = WindowPlace(window);
    // Below the scroller's view, nothing of it shows; scrolled into the view, all of it.
    RECT shown{};
    EXPECT_EQ(NULLREGION, GetWindowRgnBox(window, &shown));

    HTMLayoutSetScrollPos(page.Find("#scroller"), POINT{0, 70}, FALSE);
    RECT after = WindowPlace(window);
    EXPECT_EQ(before.top - 70, after.top);
    ExpectSame(ContentBox(inner), after, "scrolled");
    EXPECT_EQ(ERROR, GetWindowRgnBox(window, &shown));

    HTMLayoutSetStyleAttribute(inner, "visibility", L"hidden");
    EngineTestWindow::Pump(50);
    EXPECT_FALSE(Shown(window));
    HTMLayoutSetStyleAttribute(inner, "visibility", nullptr);
    EngineTestWindow::Pump(50);
    EXPECT_TRUE(Shown(window));

    HTMLayoutSetStyleAttribute(inner, "display", L"none");
    EngineTestWindow::Pump(50);
    EXPECT_FALSE(Shown(window));
    HTMLayoutSetStyleAttribute(inner, "display", nullptr);
    EngineTestWindow::Pump(50);
    EXPECT_TRUE(Shown(window));
    EXPECT_EQ(1u, host.asked[inner].size());

    // A window without a size of its own lays out as browsers size an iframe.
    RECT fallback = ContentBox(page.Find("#auto"));
    EXPECT_EQ(300, fallback.right - fallback.left);
    EXPECT_EQ(150, fallback.bottom - fallback.top);

    HTMLayoutDeleteElement(inner);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(IsWindow(host.asked[page.Find("#sized")][0].Made));
}

TEST(NativeWindows, FailedOrRefusedWindowLeavesTheLayoutAsBefore)
{
    EngineTestWindow reference;
    ASSERT_TRUE(reference.Load(kPage));
    for (WindowHost::Answer answer : {WindowHost::Answer::Failed, WindowHost::Answer::Nothing}) {
        EngineTestWindow page;
        WindowHost host(page, answer);
        ASSERT_TRUE(page.Load(kPage));
        EngineTestWindow::Pump(50);
        HTMLayoutSetStyleAttribute(page.Find("p"), "padding", L"0");
        HTMLayoutSetStyleAttribute(page.Find("p"), "padding", nullptr);
        EngineTestWindow::Pump(50);
        for (const char* selector : {"#sized", "#auto", "#inner", "#blocky"}) {
            EXPECT_EQ(1u, host.asked[page.Find(selector)].size()) << selector;
            ExpectSame(ContentBox(reference.Find(selector)), ContentBox(page.Find(selector)), selector);
        }
    }
}

TEST(NativeWindows, WindowInAShownPopupStaysHidden)
{
    EngineTestWindow page;
    WindowHost host(page, WindowHost::Answer::Window);
    ASSERT_TRUE(page.Load("<html><body><button id=anchor>Open</button>"
                          "<popup id=list><p>In a popup</p><div id=inside type=sys-thing style='width:40px;height:20px'></div></popup>"
                          "</body></html>"));
    EngineTestWindow::Pump(50);
    ASSERT_EQ(HLDOM_OK, HTMLayoutShowPopup(page.Find("#list"), page.Find("#anchor"), 2));
    EngineTestWindow::Pump(50);
    HELEMENT inside = page.Find("#inside");
    ASSERT_EQ(1u, host.asked[inside].size());
    EXPECT_FALSE(Shown(host.asked[inside][0].Made));
}
