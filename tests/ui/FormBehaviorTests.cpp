// The form, hyperlink, select-buddy and select-checkmark behaviors on the page forms.html,
// driven by real mouse and key messages; the form talks to an HTTP server of the test's own.
#include <winsock2.h>

#include "TestHost.h"
#include "ui/HyperlinkInfo.h"
#include "ui/VirtualGridBehavior.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// One HTTP exchange at a time on a free loopback port: it keeps the request line and body and
// answers with a small page titled "Form answer".
class LoopbackServer {
public:
    LoopbackServer()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_listener, 4);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer()
    {
        closesocket(m_listener);  // ends the accept
        m_thread.join();
        WSACleanup();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    [[nodiscard]] std::wstring Url(const wchar_t* path) const
    {
        return L"http://127.0.0.1:" + std::to_wstring(m_port) + path;
    }
    // "METHOD target" of each request, then its body after a blank.
    [[nodiscard]] std::vector<std::string> Requests()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_requests;
    }

private:
    void Serve()
    {
        for (;;) {
            SOCKET client = accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            std::string text;
            char buffer[4096];
            std::size_t headerEnd = std::string::npos;
            std::size_t wanted = 0;
            while (headerEnd == std::string::npos || text.size() < headerEnd + 4 + wanted) {
                int got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                text.append(buffer, static_cast<std::size_t>(got));
                headerEnd = text.find("\r\n\r\n");
                std::size_t at = text.find("Content-Length: ");
                if (at != std::string::npos && at < headerEnd)
                    wanted = std::stoul(text.substr(at + 16));
            }
            const std::size_t lineEnd = text.find(" HTTP/");
            std::string request = text.substr(0, lineEnd);
            if (headerEnd != std::string::npos)
                request += " " + text.substr(headerEnd + 4);
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_requests.push_back(request);
            }
            const std::string page = "<html><head><title>Form answer</title></head><body><p>Thank you.</p>"
                                     "<button name=ok role=default-button>OK</button></body></html>";
            const std::string answer = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                       std::to_string(page.size()) + "\r\n\r\n" + page;
            send(client, answer.data(), static_cast<int>(answer.size()), 0);
            closesocket(client);
        }
    }

    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<std::string> m_requests;
};

// The page forms.html in a window tall enough for all of it; it records the hyperlink records
// and the hyperlink-click events.
class FormsHost : public TestHost {
public:
    FormsHost() : TestHost(L"FORMS")
    {
        Create(nullptr, RECT{0, 0, 900, 600}, WS_POPUP | WS_VISIBLE);
    }

    struct Link {
        int Code;
        int Action;
        std::wstring Href, Target;
        HELEMENT Element;
        bool WindowRight;
    };
    std::vector<Link> Links;
    int LinkClicks = 0;
    std::vector<VirtualGridRefill> Refills;

    [[nodiscard]] std::vector<std::wstring> ChildIds(const char* selector) const
    {
        std::vector<std::wstring> ids;
        ElementRef list = Find(selector);
        for (UINT i = 0; i < list.ChildCount(); ++i)
            ids.push_back(list.Child(i).AttributeString("id"));
        return ids;
    }

protected:
    void OnCommand(WPARAM kind, LPARAM record) override
    {
        if (kind != COMMAND_HYPERLINK)
            return;
        const auto* info = reinterpret_cast<const HyperlinkInfo*>(record);
        Links.push_back({info->Code, info->Action, info->Href, info->Target, info->Element,
                         info->Window == Window() && info->ControlId == GetDlgCtrlID(Window())});
    }
    bool OnEvent(HELEMENT, HtmlBehaviorEventParams& params) override
    {
        LinkClicks += params.cmd == HL_HYPERLINK_CLICK ? 1 : 0;
        if (params.cmd == (VIRTUAL_GRID_REFILL | HL_SINKING))
            Refills.push_back(*reinterpret_cast<const VirtualGridRefill*>(params.reason));
        return TestHost::OnEvent(nullptr, params);
    }
};

template <typename Done>
bool PumpUntil(Done done, DWORD milliseconds = 5000)
{
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < milliseconds)
        TestHost::Pump(20);
    return done();
}

// Waits for the answer's dialog on another thread, notes that it is modal over the host, and
// closes it as its close box would.
class DialogCloser {
public:
    DialogCloser(HWND owner, const wchar_t* title)
        : m_thread([this, owner, title] {
              for (int tries = 0; tries < 500 && !m_seen; ++tries) {
                  HWND dialog = FindWindowW(nullptr, title);
                  if (dialog != nullptr && IsWindowVisible(dialog)) {
                      m_modal = GetWindow(dialog, GW_OWNER) == owner && !IsWindowEnabled(owner);
                      m_seen = true;
                      PostMessageW(dialog, WM_CLOSE, 0, 0);
                  }
                  Sleep(20);
              }
          })
    {
    }
    ~DialogCloser() { m_thread.join(); }
    DialogCloser(const DialogCloser&) = delete;
    DialogCloser& operator=(const DialogCloser&) = delete;

    std::atomic<bool> m_seen{false};
    std::atomic<bool> m_modal{false};

private:
    std::thread m_thread;
};

void Type(const FormsHost& host, const char* selector, const wchar_t* text)
{
    host.Click(host.Center(host.Find(selector)));
    host.Key(VK_END);
    for (const wchar_t* at = text; *at != 0; ++at)
        SendMessageW(host.Window(), WM_CHAR, *at, 1);
}

} // namespace

TEST(FormBehaviorTest, ResetBringsBackTheOpeningValuesAndSubmitSendsThemByGetOrPostShowingTheAnswer)
{
    LoopbackServer server;
    FormsHost host;
    ElementRef form = host.Find("#profile");
    ASSERT_TRUE(form);

    Type(host, "[name='user']", L"x");
    host.Click(host.Center(host.Find("[name='remember']")));
    EXPECT_EQ(L"alicex", host.Find("[name='user']").Value().AsString());
    host.Click(host.Center(host.Find("#reset")));
    EXPECT_EQ(L"alice", host.Find("[name='user']").Value().AsString());
    EXPECT_TRUE(host.Find("[name='remember']").TestState(HL_STATE_CHECKED));

    struct Case {
        const wchar_t* Method;
        std::string Request;  // empty: sent nowhere, to a port that refuses
    };
    const Case cases[] = {
        {L"post", "POST /submit port=8080&remember=true&user=alice+b"},
        {L"POST", "POST /submit port=8080&remember=true&user=alice+b"},
        {L"get", "GET /submit?port=8080&remember=true&user=alice+b "},
        {nullptr, "GET /submit?port=8080&remember=true&user=alice+b "},
        {L"post", ""},
    };
    Type(host, "[name='user']", L" b");
    for (const Case& c : cases) {
        const bool refused = c.Request.empty();
        form.SetAttribute("action", refused ? L"http://127.0.0.1:1/submit" : server.Url(L"/submit").c_str());
        form.SetAttribute("method", c.Method);
        const std::size_t before = server.Requests().size();
        // A submission that reaches nobody says so rather than showing nothing.
        DialogCloser closer(host.Window(), refused ? L"Form not sent" : L"Form answer");
        host.Click(host.Center(host.Find("#submit")));
        EXPECT_TRUE(PumpUntil([&] { return closer.m_seen.load(); })) << c.Request;
        EXPECT_TRUE(closer.m_modal) << c.Request;
        std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(before + (refused ? 0 : 1), requests.size());
        if (!refused) {
            EXPECT_EQ(c.Request, requests.back());
        }
    }
}

TEST(HyperlinkBehaviorTest, TellsTheHostOfEnterLeaveAndClickJumpsToAnchorsAndLoadsTargets)
{
    FormsHost host;
    ElementRef site = host.Find("#site");
    const POINT away = host.Center(host.Find("h2"));
    host.Mouse(WM_MOUSEMOVE, away);
    host.Mouse(WM_MOUSEMOVE, host.Center(site));
    host.Mouse(WM_MOUSEMOVE, away);
    host.Mouse(WM_LBUTTONDOWN, host.Center(site), MK_LBUTTON);
    EXPECT_TRUE(site.TestState(HL_STATE_CURRENT)) << "current while pressed";
    host.Mouse(WM_LBUTTONUP, host.Center(site));
    host.Key(VK_RETURN);
    host.Key(VK_SPACE);
    std::vector<int> actions;
    for (const auto& link : host.Links) {
        EXPECT_EQ(2, link.Code);
        EXPECT_EQ(L"http://example.com/site", link.Href);
        EXPECT_EQ(L"", link.Target);
        EXPECT_EQ(site.Handle(), link.Element);
        EXPECT_TRUE(link.WindowRight);
        actions.push_back(link.Action);
    }
    EXPECT_EQ((std::vector<int>{HYPERLINK_ENTER, HYPERLINK_LEAVE, HYPERLINK_CLICK, HYPERLINK_CLICK, HYPERLINK_CLICK}),
              actions);
    host.Pump(50);
    EXPECT_EQ(3, host.LinkClicks);
    EXPECT_FALSE(site.TestState(HL_STATE_CURRENT));

    // An address longer than the record is cut to it, never past it.
    host.Links.clear();
    site.SetAttribute("href", (L"http://example.com/" + std::wstring(5000, L'a')).c_str());
    host.Mouse(WM_MOUSEMOVE, host.Center(site));
    host.Mouse(WM_MOUSEMOVE, away);
    ASSERT_EQ(2u, host.Links.size());
    EXPECT_EQ(HyperlinkInfo::kTextLength - 1, host.Links[0].Href.size());

    // The click method focuses the link and nothing more.
    host.Links.clear();
    HtmlMethodParams click{HL_DO_CLICK};
    EXPECT_EQ(HLDOM_OK, HTMLayoutCallBehaviorMethod(site.Handle(), &click));
    EXPECT_TRUE(site.TestState(HL_STATE_FOCUS));
    EXPECT_TRUE(host.Links.empty());

    // "#" addresses scroll the page's own places into view; one that would break out of the
    // selector's quotes finds nothing.
    ElementRef jump = host.Find("#jump");
    ElementRef scroller = host.Find("#long");
    struct Anchor {
        const wchar_t* Href;
        bool Scrolls;
    };
    const Anchor anchors[] = {{L"#x'],#bottom,[id='y", false}, {L"#bottom", true}};
    for (const Anchor& anchor : anchors) {
        HTMLayoutSetScrollPos(scroller.Handle(), POINT{0, 0}, FALSE);
        jump.SetAttribute("href", anchor.Href);
        host.Links.clear();
        host.Click(host.Center(jump));
        host.Pump(300);
        POINT position{};
        RECT view{};
        SIZE content{};
        HTMLayoutGetScrollInfo(scroller.Handle(), &position, &view, &content);
        EXPECT_EQ(anchor.Scrolls, position.y > 0) << anchor.Href;
        EXPECT_TRUE(host.Links.empty()) << anchor.Href;
    }

    // A target naming an element loads the address into it; one that is no plain name does not.
    ElementRef load = host.Find("#load");
    load.SetAttribute("target", L"news,body");
    host.Click(host.Center(load));
    host.Pump(300);
    EXPECT_FALSE(host.Find("#loaded"));
    load.SetAttribute("target", L"news");
    host.Click(host.Center(load));
    EXPECT_TRUE(PumpUntil([&] { return !host.Find("#news #loaded").IsNull(); }));
}

TEST(SelectBuddyBehaviorTest, MovesOptionsAcrossAndRevokesThemToTheirSourcePlaces)
{
    FormsHost host;
    struct Step {
        std::vector<const char*> Check;  // options the user selects first
        const char* Action;
        std::vector<std::wstring> Source, Destination, Checked;
    };
    const Step steps[] = {
        {{"#o1", "#o3"}, "move-selected", {L"o0", L"o2", L"o4"}, {L"o1", L"o3"}, {}},
        {{"#o4"}, "move-selected", {L"o0", L"o2"}, {L"o1", L"o3", L"o4"}, {}},
        {{"#o3"}, "revoke-selected", {L"o0", L"o2", L"o3"}, {L"o1", L"o4"}, {}},
        {{}, "revoke-all", {L"o0", L"o1", L"o2", L"o3", L"o4"}, {}, {}},
        {{}, "move-all", {}, {L"o0", L"o1", L"o2", L"o3", L"o4"}, {}},
        {{"#o4"}, "revoke-selected", {L"o4"}, {L"o0", L"o1", L"o2", L"o3"}, {}},
        {{}, "revoke-all", {L"o0", L"o1", L"o2", L"o3", L"o4"}, {}, {}},
        {{}, "select-all", {L"o0", L"o1", L"o2", L"o3", L"o4"}, {}, {L"o0", L"o1", L"o2", L"o3", L"o4"}},
        {{}, "clear-all", {L"o0", L"o1", L"o2", L"o3", L"o4"}, {}, {}},
    };
    for (const Step& step : steps) {
        for (const char* option : step.Check)
            host.Find(option).SetState(HL_STATE_CHECKED, 0, Repaint::Yes);
        host.Click(host.Center(host.Find((std::string("[action='") + step.Action + "']").c_str())));
        EXPECT_EQ(step.Source, host.ChildIds("#source")) << step.Action;
        EXPECT_EQ(step.Destination, host.ChildIds("#destination")) << step.Action;
        std::vector<ElementRef> checked;
        SelectAll(host.Root(), checked, "option:checked");
        std::vector<std::wstring> ids;
        for (const ElementRef& option : checked)
            ids.push_back(option.AttributeString("id"));
        EXPECT_EQ(step.Checked, ids) << step.Action;
    }
}

TEST(SelectCheckmarkBehaviorTest, TogglesMarksByMouseAndSpaceAndGroupsFollowTheirOptions)
{
    FormsHost host;
    auto mark = [&](const char* id) {
        const RECT box = host.Find(id).Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
        return POINT{box.left + 3, box.top + 4};
    };
    auto marks = [&] {
        std::wstring text;
        for (const char* id : {"#fruit", "#apple", "#pear", "#bread"})
            text += host.Find(id).AttributeString("check") + L" ";
        return text;
    };
    struct Step {
        const char* Id;
        bool OnMark;  // else the option's text
        UINT Key;     // pressed after the click
        const wchar_t* Marks;
    };
    const Step steps[] = {
        {"#apple", true, 0, L"mixed on off on "},
        {"#pear", true, 0, L"on on on on "},
        {"#fruit", true, 0, L"off off off on "},
        {"#bread", false, 0, L"off off off on "},
        {"#bread", false, VK_SPACE, L"off off off off "},
        {"#pear", false, VK_SPACE, L"mixed off on off "},
        {"#fruit", true, 0, L"on on on off "},
    };
    for (const Step& step : steps) {
        const ElementRef item = host.Find(step.Id);
        host.Click(step.OnMark ? mark(step.Id) : POINT{host.Center(item).x, mark(step.Id).y});
        if (step.Key != 0)
            host.Key(step.Key);
        EXPECT_TRUE(item.TestState(HL_STATE_CURRENT)) << step.Id;
        EXPECT_EQ(step.Marks, marks()) << step.Id;
    }
}

TEST(VirtualGridBehaviorTest, KeysWheelAndBarMoveTheWindowAndRefillRowsWithTheirRecords)
{
    FormsHost host;
    const ElementRef table = host.Find("#records");
    const ElementRef bar = host.Find("#records-bar");
    const RECT barBox = bar.Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
    const long thickness = barBox.right - barBox.left;
    const POINT lowerArrow{(barBox.left + barBox.right) / 2, barBox.bottom - 2};
    const POINT lowerTrack{lowerArrow.x, barBox.bottom - thickness - 2};
    auto wheel = [&](int delta) {
        POINT at = host.Center(table.Child(3));
        ClientToScreen(host.Window(), &at);
        SendMessageW(host.Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(at.x, at.y));
    };
    host.Click(host.Center(table.Child(2)));  // the focus, and the second data row current
    struct Step {
        const char* What;
        std::function<void()> Do;
        int First;       // the record the first data row shows
        int CurrentRow;  // index among the table's children
    };
    const Step steps[] = {
        {"Page Down", [&] { host.Key(VK_NEXT); }, 6, 2},
        {"Down inside the window", [&] { host.Key(VK_DOWN); }, 6, 3},
        {"End", [&] { host.Key(VK_END); }, 294, 6},
        {"Down on the last row", [&] { host.Key(VK_DOWN); }, 294, 6},
        {"Home", [&] { host.Key(VK_HOME); }, 0, 1},
        {"Up on the first row", [&] { host.Key(VK_UP); }, 0, 1},
        {"wheel down", [&] { wheel(-WHEEL_DELTA); }, 3, 1},
        {"wheel up", [&] { wheel(WHEEL_DELTA); }, 0, 1},
        {"the bar's lower arrow", [&] { host.Click(lowerArrow); }, 1, 1},
        {"the bar's track", [&] { host.Click(lowerTrack); }, 7, 1},
        {"Page Up", [&] { host.Key(VK_PRIOR); }, 1, 1},
        {"Up on the first row", [&] { host.Key(VK_UP); }, 0, 1},
        {"Page Down", [&] { host.Key(VK_NEXT); }, 6, 1},
        {"reset", [&] { HTMLayoutSendEvent(table.Handle(), VIRTUAL_GRID_RESET, table.Handle(), 0, nullptr); }, 0, 1},
    };
    for (const Step& step : steps) {
        host.Refills.clear();
        step.Do();
        EXPECT_EQ(L"row " + std::to_wstring(step.First) + L", col 0", table.Child(1).Child(0).Text()) << step.What;
        EXPECT_EQ(L"row " + std::to_wstring(step.First + 5) + L", col 1", table.Child(6).Child(1).Text()) << step.What;
        EXPECT_TRUE(table.Child(static_cast<UINT>(step.CurrentRow)).TestState(HL_STATE_CURRENT)) << step.What;
        HtmlScrollBarValueParams value{};
        value.methodId = HL_SCROLL_BAR_GET_VALUE;
        HTMLayoutCallBehaviorMethod(bar.Handle(), &value);
        EXPECT_EQ((std::vector<int>{step.First, 0, 300, 6}),
                  (std::vector<int>{value.value, value.minValue, value.maxValue, value.pageValue}))
            << step.What;
        if (!host.Refills.empty()) {
            EXPECT_EQ(step.First, host.Refills.back().FirstRecord) << step.What;
            EXPECT_EQ(1, host.Refills.back().FirstRow);
            EXPECT_EQ(6, host.Refills.back().LastRow);
        }
    }
    EXPECT_EQ(L"Record", table.Child(0).Child(0).Text());

    // The page opened again: the old grid lets go of its bar as it goes, the new one starts over.
    const BYTE* page = nullptr;
    DWORD length = 0;
    ASSERT_TRUE(HtmlHost::FindPage(L"FORMS", page, length));
    ASSERT_TRUE(host.LoadPage(page, length));
    EXPECT_EQ(L"row 0, col 0", host.Find("#records").Child(1).Child(0).Text());
    host.Click(host.Center(host.Find("#records").Child(1)));
    host.Key(VK_NEXT);
    EXPECT_EQ(L"row 6, col 0", host.Find("#records").Child(1).Child(0).Text());
}
