// The engine's HTTP requests against a server of the test's own on loopback: HttpEchoServer.py,
// a Linux python3 that Wine starts like any program, answers with what it received.
#include <winsock2.h>

#include "EngineTestWindow.h"
#include "engine/platform/HttpRequests.h"

#include <winhttp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Arrival {
    HELEMENT Target;
    HELEMENT Initiator;
    std::string Data;
    UINT DataType;
    UINT Status;
    std::wstring Uri;
};

// Records every answer; consumes them when told to.
struct Recorder {
    std::vector<Arrival> Arrivals;
    BOOL Consume = FALSE;

    void AttachTo(HELEMENT he) { HTMLayoutAttachEventHandlerEx(he, &Recorder::Proc, this, HL_HANDLE_DATA_ARRIVED); }
    static BOOL CALLBACK Proc(LPVOID tag, HELEMENT he, UINT group, LPVOID params)
    {
        auto* self = static_cast<Recorder*>(tag);
        auto* data = static_cast<HtmlDataArrivedParams*>(params);
        if (group != HL_HANDLE_DATA_ARRIVED)
            return FALSE;
        self->Arrivals.push_back({he, data->initiator, std::string(reinterpret_cast<const char*>(data->data), data->dataSize),
                                  data->dataType, data->status, data->uri});
        return self->Consume;
    }
    [[nodiscard]] const Arrival* For(HELEMENT he) const
    {
        auto found = std::find_if(Arrivals.begin(), Arrivals.end(), [&](const Arrival& a) { return a.Target == he; });
        return found == Arrivals.end() ? nullptr : &*found;
    }
    // Pumps the window's messages until that many answers came, or the time is up.
    bool WaitFor(std::size_t count, DWORD milliseconds = 10000)
    {
        DWORD start = GetTickCount();
        while (Arrivals.size() < count && GetTickCount() - start < milliseconds)
            EngineTestWindow::Pump(10);
        return Arrivals.size() >= count;
    }
};

class Socket {
public:
    Socket() : m_socket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() { closesocket(m_socket); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Bound to a free loopback port, listening or not.
    int Bind(bool listening)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), length);
        if (listening)
            listen(m_socket, 4);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        return ntohs(address.sin_port);
    }
    bool Connect(int port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(port));
        return connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    void Send(const std::string& text) { send(m_socket, text.data(), static_cast<int>(text.size()), 0); }

private:
    SOCKET m_socket;
};

// The echo server on a free port, up once it takes connections; asked to quit at the end.
class EchoServer {
public:
    EchoServer()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_port = Socket().Bind(false);
        std::wstring command = L"Z:\\usr\\bin\\python3 " ENGINE_TEST_DIR L"/HttpEchoServer.py " + std::to_wstring(m_port);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        m_started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
        if (m_started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        for (int tries = 0; m_started && tries < 100 && !Socket().Connect(m_port); ++tries)
            Sleep(50);
    }
    ~EchoServer()
    {
        Socket quit;
        if (quit.Connect(m_port))
            quit.Send("GET /quit HTTP/1.0\r\n\r\n");
        WSACleanup();
    }
    EchoServer(const EchoServer&) = delete;
    EchoServer& operator=(const EchoServer&) = delete;

    [[nodiscard]] bool Started() const { return m_started; }
    [[nodiscard]] std::wstring Url(const std::wstring& path) const
    {
        return L"http://127.0.0.1:" + std::to_wstring(m_port) + path;
    }

private:
    int m_port = 0;
    BOOL m_started = FALSE;
};

class HttpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Started());
        ASSERT_TRUE(m_view.Load("<html><div id=a></div><div id=b></div><div id=c></div><div id=d></div><div id=e></div></html>"));
    }
    void TearDown() override { Engine::HttpRequests::SetTimeout(5000); }

    EchoServer m_server;
    EngineTestWindow m_view;
    Recorder m_recorder;
};

TEST_F(HttpTest, GetAndPostArriveAsSentAndTheAnswerReachesTheElement)
{
    struct Case {
        const char* Selector;
        UINT RequestType;
        const wchar_t* Path;
        const wchar_t* Params;
        std::wstring SentUri;  // after the server's address
        const char* Echo;      // method, path, query, body, content type
    };
    const Case cases[] = {
        {"#a", HL_HTTP_GET, L"/echo", nullptr, L"/echo", "GET\n/echo\n\n\n"},
        {"#b", HL_HTTP_GET, L"/echo", L"name=Jo Doe\0sign=a&b=c\0empty=\0", L"/echo?name=Jo+Doe&sign=a%26b%3Dc&empty=",
         "GET\n/echo\nname=Jo+Doe&sign=a%26b%3Dc&empty=\n\n"},
        {"#c", HL_HTTP_GET, L"/echo?x=1", L"\u00e9t\u00e9=\u20ac\0", L"/echo?x=1&%C3%A9t%C3%A9=%E2%82%AC",
         "GET\n/echo\nx=1&%C3%A9t%C3%A9=%E2%82%AC\n\n"},
        {"#d", HL_HTTP_POST, L"/form", L"user=ann\0note=1+1 = 2\0", L"/form",
         "POST\n/form\n\nuser=ann&note=1%2B1+%3D+2\napplication/x-www-form-urlencoded"},
        {"#e", HL_HTTP_GET, L"/status/404", nullptr, L"/status/404", "GET\n/status/404\n\n\n"},
    };
    for (const Case& c : cases) {
        HELEMENT he = m_view.Find(c.Selector);
        m_recorder.AttachTo(he);
        ASSERT_EQ(HLDOM_OK, HTMLayoutHttpRequest(he, m_server.Url(c.Path).c_str(), HL_DATA_RAW, c.RequestType, c.Params));
    }
    ASSERT_TRUE(m_recorder.WaitFor(std::size(cases)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Selector);
        HELEMENT he = m_view.Find(c.Selector);
        const Arrival* found = m_recorder.For(he);
        ASSERT_NE(nullptr, found);
        EXPECT_EQ(c.Echo, found->Data);
        EXPECT_EQ(m_server.Url(c.SentUri), found->Uri);
        EXPECT_EQ(he, found->Initiator);
        EXPECT_EQ(static_cast<UINT>(HL_DATA_RAW), found->DataType);
        EXPECT_EQ(std::wstring(c.Path).starts_with(L"/status/") ? 404u : 0u, found->Status);
    }
}

TEST_F(HttpTest, HtmlRequestedForAnElementBecomesItsContentUnlessAProcedureTookIt)
{
    const std::string page = "<html><div id=a>old</div><div id=b>old</div><div id=c>old</div></html>";
    ASSERT_TRUE(HTMLayoutLoadHtmlEx(m_view.Window(), reinterpret_cast<LPCBYTE>(page.data()), static_cast<UINT>(page.size()),
                                    m_server.Url(L"/pages/index.html").c_str()));
    struct Case {
        const char* Selector;
        const wchar_t* Url;  // relative ones go from the page's address
        BOOL Consume;
        std::string Content;
    };
    const Case cases[] = {
        {"#a", L"part.html", FALSE, "<p id=\"loaded\">GET /pages/part.html</p>"},
        {"#b", L"/status/500.html", FALSE, "old"},  // a failed answer leaves the content
        {"#c", L"part.html", TRUE, "old"},
    };
    std::vector<Recorder> recorders(std::size(cases));
    HELEMENT initiator = m_view.Root();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        HELEMENT he = m_view.Find(cases[i].Selector);
        recorders[i].Consume = cases[i].Consume;
        recorders[i].AttachTo(he);
        ASSERT_EQ(HLDOM_OK, HTMLayoutRequestElementData(he, cases[i].Url, HL_DATA_HTML, initiator));
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].Selector);
        ASSERT_TRUE(recorders[i].WaitFor(1));
        EXPECT_EQ(initiator, recorders[i].Arrivals[0].Initiator);
        EXPECT_EQ(static_cast<UINT>(HL_DATA_HTML), recorders[i].Arrivals[0].DataType);
        EXPECT_EQ(cases[i].Content, EngineTestWindow::Html(m_view.Find(cases[i].Selector), FALSE));
    }
    EXPECT_EQ(500u, recorders[1].Arrivals[0].Status);
    EXPECT_EQ(m_server.Url(L"/pages/part.html"), recorders[0].Arrivals[0].Uri);
}

TEST_F(HttpTest, ServersThatRefuseOrNeverAnswerEndInAFailedStatusWithinTheTimeOut)
{
    Engine::HttpRequests::SetTimeout(1000);
    Socket refusing;
    Socket silent;
    int refusedPort = refusing.Bind(false);
    int silentPort = silent.Bind(true);
    struct Case {
        const char* Selector;
        std::wstring Url;
        UINT Status;
    };
    const Case cases[] = {
        {"#a", L"http://127.0.0.1:" + std::to_wstring(refusedPort) + L"/", ERROR_WINHTTP_CANNOT_CONNECT},
        {"#b", L"http://127.0.0.1:" + std::to_wstring(silentPort) + L"/", ERROR_WINHTTP_TIMEOUT},
        {"#c", L"http://127.0.0.1:99999/", ERROR_WINHTTP_INVALID_URL},
        {"#d", L"ftp://127.0.0.1/file", ERROR_FILE_NOT_FOUND},  // not HTTP: the host has nothing for it
    };
    DWORD start = GetTickCount();
    for (const Case& c : cases) {
        HELEMENT he = m_view.Find(c.Selector);
        m_recorder.AttachTo(he);
        ASSERT_EQ(HLDOM_OK, HTMLayoutRequestElementData(he, c.Url.c_str(), HL_DATA_HTML, nullptr));
    }
    EXPECT_LT(GetTickCount() - start, 500u) << "the requests waited for their answers";
    ASSERT_TRUE(m_recorder.WaitFor(std::size(cases)));
    EXPECT_LT(GetTickCount() - start, 4000u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Selector);
        HELEMENT he = m_view.Find(c.Selector);
        const Arrival* found = m_recorder.For(he);
        ASSERT_NE(nullptr, found);
        EXPECT_EQ(c.Status, found->Status);
        EXPECT_EQ("", found->Data);
    }
}

TEST_F(HttpTest, AnswersForElementsOrWindowsThatWentAwayAreDropped)
{
    Engine::HttpRequests::SetTimeout(1000);
    HELEMENT gone = m_view.Find("#a");
    m_recorder.AttachTo(gone);
    HTMLayout_UseElement(gone);
    ASSERT_EQ(HLDOM_OK, HTMLayoutHttpRequest(gone, m_server.Url(L"/echo").c_str(), HL_DATA_RAW, HL_HTTP_GET, nullptr));
    ASSERT_EQ(HLDOM_OK, HTMLayoutDeleteElement(gone));
    {
        EngineTestWindow closing;
        ASSERT_TRUE(closing.Load("<html><p/></html>"));
        HELEMENT p = closing.Find("p");
        m_recorder.AttachTo(p);
        ASSERT_EQ(HLDOM_OK, HTMLayoutRequestElementData(p, m_server.Url(L"/x.html").c_str(), HL_DATA_HTML, nullptr));
    }
    HELEMENT stays = m_view.Find("#b");
    m_recorder.AttachTo(stays);
    ASSERT_EQ(HLDOM_OK, HTMLayoutHttpRequest(stays, m_server.Url(L"/later").c_str(), HL_DATA_RAW, HL_HTTP_GET, nullptr));
    ASSERT_TRUE(m_recorder.WaitFor(1));
    EngineTestWindow::Pump(300);
    ASSERT_EQ(1u, m_recorder.Arrivals.size());
    EXPECT_EQ(stays, m_recorder.Arrivals[0].Target);
    HTMLayout_UnuseElement(gone);
}

} // namespace
