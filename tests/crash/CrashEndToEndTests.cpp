// The real program, built with its hidden crash commands, crashing under Wine: the files it
// leaves in TEMP, its log, the crash page and the ways out of it.
#include "app/GatewardenProgram.h"

#include <winsock2.h>
#include <dbghelp.h>

#include <string>

namespace {

constexpr DWORD kCrashedExitCode = EXCEPTION_ACCESS_VIOLATION;
const std::string kCrashRow = "#FF6666|crash.cpp:";

enum class Answer { CloseBox, ExitButton, Send };

// The report server's port on loopback, taken by the test so that it sees any connection.
class ReportPortListener {
public:
    ReportPortListener()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(GW_CRASH_TEST_PORT);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_listening = bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                      listen(m_socket, 4) == 0;
    }
    ~ReportPortListener()
    {
        closesocket(m_socket);
        WSACleanup();
    }
    ReportPortListener(const ReportPortListener&) = delete;
    ReportPortListener& operator=(const ReportPortListener&) = delete;

    [[nodiscard]] bool Listening() const { return m_listening; }
    [[nodiscard]] bool Contacted() const
    {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_socket, &ready);
        timeval now{0, 0};
        return select(0, &ready, nullptr, nullptr, &now) == 1;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    bool m_listening = false;
};

class CrashEndToEnd : public GatewardenExeTest {
protected:
    void SetUp() override
    {
        GatewardenExeTest::SetUp();
        m_hadTemp = GetEnvironmentVariableW(L"TEMP", m_temp, MAX_PATH) != 0;
        SetEnvironmentVariableW(L"TEMP", m_folder.Path().c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"TEMP", m_hadTemp ? m_temp : nullptr);
        GatewardenExeTest::TearDown();
    }

    // Crashes the program the way given, waits for the crash page and answers it.
    static void CrashAndAnswer(Gatewarden& program, UINT crash, Answer answer)
    {
        ASSERT_NE(program.Main(), nullptr);
        program.Command(crash);
        // The dump and the report come first, which a busy machine can make slow.
        HWND dialog = program.WaitForWindow(nullptr, L"Gatewardencrash", 3 * kLimitMs);
        ASSERT_NE(dialog, nullptr);
        HWND page = GetWindow(dialog, GW_CHILD);
        ASSERT_NE(page, nullptr);
        switch (answer) {
        case Answer::Send: program.Key(VK_RETURN, page); break;
        case Answer::CloseBox: PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case Answer::ExitButton:
            program.Click(Gatewarden::Place(page, ROLE_SYSTEM_PUSHBUTTON, L"Exit"), WM_LBUTTONDOWN, page);
            break;
        }
    }

    wchar_t m_temp[MAX_PATH] = {};
    bool m_hadTemp = false;
};

std::vector<std::string> CrashRows()
{
    std::vector<std::string> rows;
    for (const std::string& row : LogRows()) {
        if (row.rfind(kCrashRow, 0) == 0)
            rows.push_back(row.substr(row.find('|', kCrashRow.size()) + 1));
    }
    return rows;
}

bool SystemErrorDialogShows()
{
    bool found = false;
    EnumWindows([](HWND window, LPARAM data) -> BOOL {
        wchar_t text[128] = {};
        GetWindowTextW(window, text, 128);
        if (IsWindowVisible(window) && std::wstring(text).find(L"Program Error") != std::wstring::npos)
            *reinterpret_cast<bool*>(data) = true;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

TEST_F(CrashEndToEnd, DeclinedReportLeavesFilesAndLogAndSendsNothing)
{
    const struct {
        const wchar_t* Exe;
        UINT Crash;
        Answer Way;
    } cases[] = {
        {L"Gatewarden.exe", Command::CrashHere, Answer::ExitButton},
        {L"Renamed.exe", Command::CrashOnThread, Answer::CloseBox},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "exe " << std::string(c.Exe, c.Exe + wcslen(c.Exe)) << ", answer "
                                        << static_cast<int>(c.Way));
        ReportPortListener listener;
        ASSERT_TRUE(listener.Listening());
        {
            Gatewarden program(L"", L"", (std::wstring(L"crash\\") + c.Exe).c_str());
            CrashAndAnswer(program, c.Crash, c.Way);
            EXPECT_EQ(program.ExitCode(), kCrashedExitCode);
        }
        EXPECT_FALSE(listener.Contacted());
        EXPECT_FALSE(SystemErrorDialogShows());
        EXPECT_EQ(CrashRows(), (std::vector<std::string>{"Unhandled exception catched. Generating crash dump.",
                                                          "Application terminated."}));

        const std::string dump = TempFolder::ReadBytes(m_folder.File(std::wstring(c.Exe) + L".dmp"));
        ASSERT_GT(dump.size(), sizeof(MINIDUMP_HEADER));
        EXPECT_EQ(dump.substr(0, 4), "MDMP");
        for (MINIDUMP_STREAM_TYPE stream : {ThreadListStream, ModuleListStream, ExceptionStream, SystemInfoStream}) {
            MINIDUMP_DIRECTORY* directory = nullptr;
            void* data = nullptr;
            ULONG size = 0;
            ASSERT_TRUE(MiniDumpReadDumpStream(const_cast<char*>(dump.data()), stream, &directory, &data, &size))
                << stream;
            if (stream == ExceptionStream) {
                EXPECT_EQ(static_cast<MINIDUMP_EXCEPTION_STREAM*>(data)->ExceptionRecord.ExceptionCode,
                          kCrashedExitCode);
            }
        }
        const std::string report = TempFolder::ReadBytes(m_folder.File(std::wstring(c.Exe) + L".xml"));
        const std::string exe(c.Exe, c.Exe + wcslen(c.Exe));
        EXPECT_NE(report.find("\\" + exe + "\" ExceptionCode=\"0xc0000005\" "
                              "ExceptionDescription=\"EXCEPTION_ACCESS_VIOLATION\""),
                  std::string::npos)
            << report.substr(0, 400);
        EXPECT_NE(report.find("<Module FullPath=\""), std::string::npos);
        EXPECT_NE(report.find("ntdll.dll\" BaseAddress=\"0x"), std::string::npos);
        DeleteFileW(m_folder.File(std::wstring(c.Exe) + L".dmp").c_str());
        DeleteFileW(m_folder.File(std::wstring(c.Exe) + L".xml").c_str());
    }
}

TEST_F(CrashEndToEnd, RefusedConnectionIsReportedOnce)
{
    Gatewarden program(L"", L"", L"crash\\Gatewarden.exe");
    CrashAndAnswer(program, Command::CrashHere, Answer::Send);
    HWND box = program.WaitForWindow(L"#32770", L"Error");
    ASSERT_NE(box, nullptr);
    wchar_t text[128] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 128);
    EXPECT_STREQ(text, L"Can't send crash report.");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.ExitCode(), kCrashedExitCode);
    EXPECT_EQ(CrashRows().back(), "Application terminated.");
    EXPECT_FALSE(SystemErrorDialogShows());
}
