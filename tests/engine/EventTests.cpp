// Event routing: down from the root with HL_SINKING, back up from the target, consumed events
// stop; focus, keys, behavior events sent and posted, timers, capture, behavior notifications.
#include "EngineTestWindow.h"
#include "engine/platform/EventDispatcher.h"
#include "engine/platform/View.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Recorder {
    std::vector<std::string>* Log;
    std::string Name;
    UINT ConsumeGroup = 0xFFFFFFFF;
    UINT ConsumeCode = 0xFFFFFFFF;
};

BOOL CALLBACK Record(LPVOID tag, HELEMENT, UINT group, LPVOID params)
{
    auto* recorder = static_cast<Recorder*>(tag);
    UINT code = *static_cast<UINT*>(params);  // every record starts with its code
    if (group == HL_HANDLE_TIMER)
        code = static_cast<UINT>(static_cast<HtmlTimerParams*>(params)->timerId);
    char entry[64];
    std::snprintf(entry, sizeof entry, "%s:%x:%x", recorder->Name.c_str(), group, code);
    recorder->Log->push_back(entry);
    return group == recorder->ConsumeGroup && code == recorder->ConsumeCode;
}

class EngineEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_window.Load("<div id=a><p id=b><span id=c>x</span></p></div><input id=box type=checkbox>"));
        m_recorders = {{&m_log, "root"}, {&m_log, "a"}, {&m_log, "b"}, {&m_log, "c"}};
        HELEMENT elements[] = {m_window.Root(), m_window.Find("#a"), m_window.Find("#b"), m_window.Find("#c")};
        for (std::size_t i = 0; i < 4; ++i)
            ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(elements[i], Record, &m_recorders[i], HL_HANDLE_ALL));
        m_log.clear();
    }

    Engine::Document& Page() { return Engine::View::ForWindow(m_window.Window())->Page(); }
    Engine::Element& Element(const char* selector) { return *reinterpret_cast<Engine::Element*>(m_window.Find(selector)); }

    bool Mouse(const char* selector, UINT code, UINT buttons = HL_MAIN_MOUSE_BUTTON)
    {
        HtmlMouseParams params{};
        params.cmd = code;
        params.buttonState = buttons;
        return Engine::EventDispatcher::Mouse(Page(), Element(selector), params);
    }

    std::string Log()
    {
        std::string joined;
        for (const std::string& entry : m_log)
            joined += (joined.empty() ? "" : " ") + entry;
        m_log.clear();
        return joined;
    }

    // The procedures' records outlive the window, which tells them of their detachment as it goes.
    std::vector<std::string> m_log;
    std::vector<Recorder> m_recorders;
    EngineTestWindow m_window;
};

} // namespace

TEST_F(EngineEvents, MouseEventsGoDownThenUpThroughWhoeverListens)
{
    HELEMENT b = m_window.Find("#b");
    EXPECT_FALSE(Mouse("#c", HL_MOUSE_DOWN));
    EXPECT_EQ("root:1:8004 a:1:8004 b:1:8004 c:1:8004 c:1:4 b:1:4 a:1:4 root:1:4", Log());
    // A capture takes them to the capturing element, until it is released.
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetCapture(m_window.Find("#a")));
    Mouse("#c", HL_MOUSE_MOVE);
    EXPECT_EQ("root:1:8002 a:1:8002 a:1:2 root:1:2", Log());
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetCapture(nullptr));
    Mouse("#c", HL_MOUSE_MOVE);
    EXPECT_EQ(8u, m_log.size());
    Log();
    // A detached procedure is told so and hears no more; attached again, only what it asks for.
    ASSERT_EQ(HLDOM_OK, HTMLayoutDetachEventHandler(b, Record, &m_recorders[2]));
    EXPECT_EQ("b:0:0", Log());
    Mouse("#c", HL_MOUSE_MOVE);
    EXPECT_EQ("root:1:8002 a:1:8002 c:1:8002 c:1:2 a:1:2 root:1:2", Log());
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, HTMLayoutDetachEventHandler(b, Record, &m_recorders[2]));
    ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(b, Record, &m_recorders[2], HL_HANDLE_KEY));
    Log();
    Mouse("#c", HL_MOUSE_UP);
    EXPECT_EQ("root:1:8003 a:1:8003 c:1:8003 c:1:3 a:1:3 root:1:3", Log());
}

TEST_F(EngineEvents, ConsumedEventsGoNoFurther)
{
    struct Case {
        std::size_t Consumer;
        UINT Code;
        const char* Log;
    };
    const Case cases[] = {
        {2, 0x8002, "root:1:8002 a:1:8002 b:1:8002"},
        {3, 0x8002, "root:1:8002 a:1:8002 b:1:8002 c:1:8002"},
        {1, 0x2, "root:1:8002 a:1:8002 b:1:8002 c:1:8002 c:1:2 b:1:2 a:1:2"},
        {0, 0x2, "root:1:8002 a:1:8002 b:1:8002 c:1:8002 c:1:2 b:1:2 a:1:2 root:1:2"},
    };
    for (const Case& c : cases) {
        for (Recorder& recorder : m_recorders)
            recorder.ConsumeGroup = 0xFFFFFFFF;
        m_recorders[c.Consumer].ConsumeGroup = HL_HANDLE_MOUSE;
        m_recorders[c.Consumer].ConsumeCode = c.Code;
        EXPECT_TRUE(Mouse("#c", HL_MOUSE_MOVE));
        EXPECT_EQ(c.Log, Log());
    }
}

TEST_F(EngineEvents, FocusMovesAndKeysFollowIt)
{
    Engine::EventDispatcher::SetFocus(Page(), &Element("#c"), false);
    EXPECT_EQ("root:4:8001 a:4:8001 b:4:8001 c:4:8001 c:4:1 b:4:1 a:4:1 root:4:1", Log());
    HtmlKeyParams key{HL_KEY_DOWN, nullptr, VK_RETURN, 0};
    Engine::EventDispatcher::Key(Page(), key);
    EXPECT_EQ("root:2:8000 a:2:8000 b:2:8000 c:2:8000 c:2:0 b:2:0 a:2:0 root:2:0", Log());
    Engine::EventDispatcher::SetFocus(Page(), &Element("#b"), false);
    EXPECT_EQ("root:4:8000 a:4:8000 b:4:8000 c:4:8000 c:4:0 b:4:0 a:4:0 root:4:0 "
              "root:4:8001 a:4:8001 b:4:8001 b:4:1 a:4:1 root:4:1",
              Log());
    EXPECT_EQ(std::vector<HELEMENT>{m_window.Find("#b")}, EngineTestWindow::SelectAll(m_window.Root(), ":focus"));
    // Without a focus, keys go to the root.
    Engine::EventDispatcher::SetFocus(Page(), nullptr, false);
    Log();
    Engine::EventDispatcher::Key(Page(), key);
    EXPECT_EQ("root:2:8000 root:2:0", Log());
}

TEST_F(EngineEvents, BehaviorEventsStartAtTheirElement)
{
    struct Seen {
        HELEMENT Target = nullptr;
        HELEMENT He = nullptr;
        UINT_PTR Reason = 0;
    } seen;
    auto proc = [](LPVOID tag, HELEMENT, UINT group, LPVOID params) -> BOOL {
        if (group == HL_HANDLE_BEHAVIOR_EVENT) {
            auto* event = static_cast<HtmlBehaviorEventParams*>(params);
            if (event->cmd == HL_TABLE_ROW_CLICK)
                *static_cast<Seen*>(tag) = {event->heTarget, event->he, event->reason};
        }
        return FALSE;
    };
    ASSERT_EQ(HLDOM_OK, HTMLayoutAttachEventHandlerEx(m_window.Root(), proc, &seen, HL_HANDLE_BEHAVIOR_EVENT));
    BOOL handled = TRUE;
    ASSERT_EQ(HLDOM_OK, HTMLayoutSendEvent(m_window.Find("#b"), HL_TABLE_ROW_CLICK, m_window.Find("#c"), 7, &handled));
    EXPECT_FALSE(handled);
    EXPECT_EQ("root:100:8082 a:100:8082 b:100:8082 b:100:82 a:100:82 root:100:82", Log());
    EXPECT_EQ(m_window.Find("#c"), seen.Target);
    EXPECT_EQ(m_window.Find("#b"), seen.He);
    EXPECT_EQ(7u, seen.Reason);
}

TEST_F(EngineEvents, PostedEventsArriveLaterOnceUnlessTheirElementWentAway)
{
    ASSERT_EQ(HLDOM_OK, HTMLayoutPostEvent(m_window.Find("#c"), HL_TABLE_HEADER_CLICK, m_window.Find("#c"), 1));
    EXPECT_EQ("", Log());
    EngineTestWindow::Pump(100);
    EXPECT_EQ("root:100:8081 a:100:8081 b:100:8081 c:100:8081 c:100:81 b:100:81 a:100:81 root:100:81", Log());
    EngineTestWindow::Pump(50);
    EXPECT_EQ("", Log());
    ASSERT_EQ(HLDOM_OK, HTMLayoutPostEvent(m_window.Find("#c"), HL_BUTTON_CLICK, nullptr, 0));
    ASSERT_EQ(HLDOM_OK, HTMLayoutDeleteElement(m_window.Find("#a")));
    EngineTestWindow::Pump(100);
    EXPECT_EQ("", Log());
}

TEST_F(EngineEvents, TimersTickUntilStopped)
{
    HELEMENT b = m_window.Find("#b");
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetTimer(b, 20, 5));
    EngineTestWindow::Pump(200);
    std::size_t ticks = m_log.size();
    EXPECT_GE(ticks, 2u);
    EXPECT_EQ("b:10:5", m_log.front());  // only the element's own procedures
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetTimer(b, 0, 5));
    Log();
    EngineTestWindow::Pump(100);
    EXPECT_EQ("", Log());
}

TEST_F(EngineEvents, ClickMethodClicksTheEnginesInputs)
{
    HELEMENT box = m_window.Find("#box");
    HtmlMethodParams click{HL_DO_CLICK};
    ASSERT_EQ(HLDOM_OK, HTMLayoutCallBehaviorMethod(box, &click));
    UINT state = 0;
    HTMLayoutGetElementState(box, &state);
    EXPECT_EQ(HL_STATE_CHECKED, state & HL_STATE_CHECKED);
    EXPECT_EQ("root:100:8000 root:100:0", Log());
    EXPECT_EQ(HLDOM_OK_NOT_HANDLED, HTMLayoutCallBehaviorMethod(m_window.Find("#b"), &click));
    EXPECT_EQ("b:200:0", Log());  // asked first, then nothing of the engine's own
}

TEST_F(EngineEvents, PressAndReleaseOnACheckboxClicksIt)
{
    HELEMENT box = m_window.Find("#box");
    Mouse("#box", HL_MOUSE_DOWN);
    Mouse("#box", HL_MOUSE_UP);
    UINT state = 0;
    HTMLayoutGetElementState(box, &state);
    EXPECT_EQ(HL_STATE_CHECKED | HL_STATE_FOCUS, state);
    EXPECT_EQ("root:1:8004 root:1:4 root:4:8001 root:4:1 root:1:8003 root:1:3 root:100:8000 root:100:0", Log());
    // Pressed on one element and released on another: no click.
    Mouse("#box", HL_MOUSE_DOWN);
    Mouse("#c", HL_MOUSE_UP);
    HTMLayoutGetElementState(box, &state);
    EXPECT_EQ(HL_STATE_CHECKED, state & HL_STATE_CHECKED);
}

namespace {

struct BehaviorLog {
    std::vector<std::string> Names;
    std::vector<std::string> Events;
};

BOOL CALLBACK CommandProc(LPVOID tag, HELEMENT, UINT group, LPVOID params)
{
    char entry[32];
    std::snprintf(entry, sizeof entry, "%x:%x", group, *static_cast<UINT*>(params));
    static_cast<BehaviorLog*>(tag)->Events.push_back(entry);
    return group == HL_HANDLE_MOUSE;
}

LRESULT CALLBACK HostCallback(UINT message, WPARAM, LPARAM lParam, LPVOID param)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (message != WM_NOTIFY || header->code != HLN_ATTACH_BEHAVIOR)
        return 0;
    auto* request = reinterpret_cast<HtmlNotifyAttachBehavior*>(header);
    auto* log = static_cast<BehaviorLog*>(param);
    LPCWSTR id = nullptr;
    HTMLayoutGetAttributeByName(request->element, "id", &id);
    std::string name = request->behaviorName;
    log->Names.push_back(name + "@" + (id != nullptr ? std::string(id, id + wcslen(id)) : std::string("?")));
    if (name == "command") {
        request->elementProc = CommandProc;
        request->elementTag = log;
        request->elementEvents = HL_HANDLE_MOUSE;
    }
    return 0;
}

} // namespace

TEST(EngineBehaviors, HostIsAskedOnceForEveryNamedBehavior)
{
    BehaviorLog log;  // outlives the window, which detaches the procedure that writes here
    EngineTestWindow window;
    ASSERT_TRUE(HTMLayoutSetCallback(window.Window(), HostCallback, &log));
    ASSERT_TRUE(window.Load("<style>button.command { behavior: command } #t { behavior: grid }</style>"
                            "<button class=command id=ok>OK</button><table id=t><tr><td id=w style='behavior: scroller'>"
                            "</td></tr></table><button class=command id=cancel>Cancel</button>"
                            "<div id=two style='behavior: tabs popup'></div>"));
    EXPECT_EQ((std::vector<std::string>{"command@ok", "grid@t", "scroller@w", "command@cancel", "tabs@two", "popup@two"}),
              log.Names);
    EXPECT_EQ((std::vector<std::string>{"0:1", "0:1"}), log.Events);  // both buttons told of attachment
    ASSERT_EQ(HLDOM_OK, HTMLayoutUpdateElement(window.Root(), 0));
    EXPECT_EQ(6u, log.Names.size());

    // A button added later is asked for at the next update.
    ASSERT_EQ(HLDOM_OK, EngineTestWindow::SetHtml(window.Root(), "<button class=command id=late>Late</button>",
                                                  HL_SIH_APPEND_AFTER_LAST));
    ASSERT_EQ(HLDOM_OK, HTMLayoutUpdateElement(window.Root(), 0));
    EXPECT_EQ("command@late", log.Names.back());

    // The attached procedure consumes its mouse events, so the engine's own button does not click.
    log.Events.clear();
    HtmlMouseParams down{};
    down.cmd = HL_MOUSE_DOWN;
    down.buttonState = HL_MAIN_MOUSE_BUTTON;
    auto& page = Engine::View::ForWindow(window.Window())->Page();
    Engine::EventDispatcher::Mouse(page, *reinterpret_cast<Engine::Element*>(window.Find("#ok")), down);
    EXPECT_EQ((std::vector<std::string>{"1:8004"}), log.Events);
}

TEST(EngineBehaviors, HostIsAskedOnlyForBehaviorsThePageNames)
{
    // The engine's own sheet names "dropdown", "hyperlink", "edit", "button"...: those stay the
    // engine's even when the host answers every request.
    BehaviorLog log;
    EngineTestWindow window;
    ASSERT_TRUE(HTMLayoutSetCallback(window.Window(), HostCallback, &log));
    ASSERT_TRUE(window.Load("<style>select.own { behavior: dropdown }</style>"
                            "<select id=plain><option>a</option></select><a id=link href='x.html'>x</a>"
                            "<input id=edit><button id=b>b</button>"
                            "<select id=own class=own><option>b</option></select>"
                            "<a id=styled href='y.html' style='behavior: hyperlink'>y</a>"));
    EXPECT_EQ((std::vector<std::string>{"dropdown@own", "hyperlink@styled"}), log.Names);
}

TEST_F(EngineEvents, ANewPageDetachesTheOldPagesProcedures)
{
    ASSERT_TRUE(m_window.Load("<p>next</p>"));
    EXPECT_EQ("root:0:0 a:0:0 b:0:0 c:0:0", Log());
    Mouse("p", HL_MOUSE_MOVE);
    EXPECT_EQ("", Log());
}
