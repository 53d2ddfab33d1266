// The form, hyperlink, select-buddy and select-checkmark behaviors on the page forms.html,
// driven by real mouse and key messages; the form talks to an HTTP server of the test's own.
#include <winsock2.h>

#include "TestHost.h"
#include "ui/HyperlinkInfo.h"

#include <gtest/gtest.h>

#include <atomic>
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
        Create(nullptr, RECT{0, 0, 560, 760}, WS_POPUP | WS_VISIBLE);
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
        return false;
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
    explicit DialogCloser(HWND owner)
        : m_thread([this, owner] {
              for (int tries = 0; tries < 500 && !m_seen; ++tries) {
                  HWND dialog = FindWindowW(nullptr, L"Form answer");
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
        std::string Request;
    };
    const Case cases[] = {
        {L"post", "POST /submit port=8080&remember=true&user=alice+b"},
        {L"POST", "POST /submit port=8080&remember=true&user=alice+b"},
        {L"get", "GET /submit?port=8080&remember=true&user=alice+b "},
        {nullptr, "GET /submit?port=8080&remember=true&user=alice+b "},
    };
    Type(host, "[name='user']", L" b");
    for (const Case& c : cases) {
        form.SetAttribute("action", server.Url(L"/submit").c_str());
        form.SetAttribute("method", c.Method);
        const std::size_t before = server.Requests().size();
        DialogCloser closer(host.Window());
        host.Click(host.Center(host.Find("#submit")));
        EXPECT_TRUE(PumpUntil([&] { return closer.m_seen.load(); })) << c.Request;
        EXPECT_TRUE(closer.m_modal) << c.Request;
        std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(before + 1, requests.size());
        EXPECT_EQ(c.Request, requests.back());
    }
}
