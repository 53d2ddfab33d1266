// The shipped Gatewarden.exe (copied beside the WinINet stand-in) driven as a user drives it: menu
// commands, keys and clicks sent to its windows from this process. What it did is read from what
// it leaves behind: the store, the log, the registry and the stand-in's settings.
#include "diag/AppFolders.h"
#include "profiles/ProfileStore.h"
#include "standins/wininet/WinInetControl.h"
#include "support/TempFolder.h"
#include "sysproxy/OutsideSettings.h"
#include "sysproxy/SystemSettings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

constexpr DWORD kLimitMs = 10000;
constexpr DWORD kWithinASecond = 1000;
constexpr UINT kTurnOff = 0x8004;
constexpr UINT kActivateCommand = 0x8015;
const wchar_t kSettingsKey[] = L"Software\\KELM\\Gatewarden";
const wchar_t kHelpCommandKey[] = L"Software\\Classes\\chm.file\\shell\\open\\command";

// Where the main page puts things, in the view's client coordinates at the template's size.
constexpr POINT kActivateButton = {20, 14};
constexpr POINT kFirstRow = {120, 63};

template <typename Condition>
bool WaitUntil(Condition condition, DWORD limitMs = kLimitMs)
{
    for (const DWORD start = GetTickCount(); !condition(); Sleep(20)) {
        if (GetTickCount() - start > limitMs)
            return condition();
    }
    return true;
}

ProxyProfile Profile(const wchar_t* name, std::uint32_t flags, const wchar_t* server, const wchar_t* url = L"")
{
    ProxyProfile profile = OutsideSettings::Settings(name, server, flags);
    profile.ProxyBypass = *server ? L"<local>" : L"";
    profile.AutoConfigUrl = url;
    return profile;
}

// In the table's order; Home holds the system's settings when a test starts.
const std::vector<ProxyProfile> kProfiles = {
    Profile(L"Home", 0x1, L""),
    Profile(L"Office", 0x3, L"http=office:3128;https=office:3128;ftp=;gopher=;socks=;"),
    Profile(L"Travel", 0x5, L"", L"http://wpad.example.org/proxy.pac"),
};

std::vector<std::wstring> StoredNames(const std::wstring& store)
{
    std::vector<std::wstring> names;
    static_cast<void>(ReadStoreFile(store, [&](ProxyProfile&& profile) {
        if (!profile.Name.empty())
            names.push_back(profile.Name);
    }));
    return names;
}

bool SystemHolds(const ProxyProfile& profile)
{
    ProxyProfile system;
    return CaptureSystemSettings(system) && system.SameSettings(profile);
}

// The log's rows as "colour|file:line|message".
std::vector<std::string> LogRows()
{
    wchar_t user[260] = {};
    DWORD size = 260;
    GetUserNameW(user, &size);
    const std::string page = TempFolder::ReadBytes(GetAppDataFolder() + L"\\Gatewarden\\logs\\" + user + L".htm");
    const std::regex row("<tr bgcolor=([^>]*)><th>[^<]*</th><th>[^<]*</th><th>([^<]*)</th><th>(.*)</th></tr>");
    std::vector<std::string> rows;
    for (std::sregex_iterator it(page.begin(), page.end(), row), end; it != end; ++it)
        rows.push_back((*it)[1].str() + "|" + (*it)[2].str() + "|" + (*it)[3].str());
    return rows;
}

// One run of the program, ended by the destructor whatever the test did.
class Gatewarden {
public:
    explicit Gatewarden(const std::wstring& arguments = L"", const std::wstring& folder = L"",
                        const wchar_t* exe = L"Gatewarden.exe")
    {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring command = path;
        command = L"\"" + command.substr(0, command.rfind(L'\\') + 1) + exe + L"\"" + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        m_started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   folder.empty() ? nullptr : folder.c_str(), &startup, &m_process) != FALSE;
    }
    ~Gatewarden()
    {
        if (!m_started)
            return;
        TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, kLimitMs);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    Gatewarden(const Gatewarden&) = delete;
    Gatewarden& operator=(const Gatewarden&) = delete;

    // A visible top-level window of this process other than the main one, of the class and with
    // the caption when given; null when none shows within the limit.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* caption)
    {
        struct Search {
            DWORD Process;
            const wchar_t *Class, *Caption;
            HWND Main, Found;
        } search{m_process.dwProcessId, className, caption, m_main, nullptr};
        WaitUntil([&] {
            EnumWindows([](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                DWORD process = 0;
                wchar_t kind[64] = {}, text[64] = {};
                GetWindowThreadProcessId(window, &process);
                GetClassNameW(window, kind, 64);
                GetWindowTextW(window, text, 64);
                if (process == s.Process && window != s.Main && IsWindowVisible(window) &&
                    (!s.Class || std::wstring(kind) == s.Class) && (!s.Caption || std::wstring(text) == s.Caption))
                    s.Found = window;
                return s.Found == nullptr;
            }, reinterpret_cast<LPARAM>(&search));
            return search.Found != nullptr;
        });
        return search.Found;
    }
    HWND Main()
    {
        if (m_main == nullptr)
            m_main = WaitForWindow(nullptr, L"Gatewarden v2.2");
        return m_main;
    }
    HWND View() { return FindWindowExW(Main(), nullptr, L"GatewardenHtmlHost", nullptr); }

    void Command(UINT id) { PostMessageW(Main(), WM_COMMAND, id, 0); }
    // Answers the message box and waits until the program has acted on the answer: the store is
    // read only then, since a reader holding it open would make the program's save fail.
    void Answer(HWND box, int button)
    {
        PostMessageW(box, WM_COMMAND, button, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
        DWORD_PTR result = 0;
        EXPECT_NE(SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_NORMAL, kLimitMs, &result), 0);
    }
    void Key(UINT key, HWND to = nullptr)
    {
        PostMessageW(to ? to : View(), WM_KEYDOWN, key, 1);
        PostMessageW(to ? to : View(), WM_KEYUP, key, 0xC0000001);
    }
    void Click(POINT at, UINT down = WM_LBUTTONDOWN)
    {
        const LPARAM where = MAKELPARAM(at.x, at.y);
        PostMessageW(View(), WM_MOUSEMOVE, 0, where);
        PostMessageW(View(), down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, where);
        PostMessageW(View(), down + 1, 0, where);
    }
    // Makes a row current as a user may: a click on the first, then Down. Row 1 is the first profile.
    void SelectRow(int row)
    {
        Click(kFirstRow);
        for (int i = 1; i < row; ++i)
            Key(VK_DOWN);
    }
    // The exit code once the process has ended, STILL_ACTIVE while it runs on.
    DWORD ExitCode(DWORD limitMs = kLimitMs)
    {
        DWORD code = STILL_ACTIVE;
        WaitForSingleObject(m_process.hProcess, limitMs);
        GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_process = {};
    bool m_started = false;
    HWND m_main = nullptr;
};

// The store (three profiles) in the user's application-data folder; the stand-in's settings as
// Home's; no stored window place. The store and the registry values a test changes are put back.
class GatewardenExeTest : public testing::Test {
protected:
    void SetUp() override
    {
        WinInetControl::Reset();
        ASSERT_TRUE(OutsideSettings::Write(kProfiles[0]));
        // Each query of the settings, the monitor's passes among them, leaves a line in the
        // stand-in's log.
        m_queries = CreateEventW(nullptr, TRUE, TRUE, L"GatewardenExeTestQueries");
        WinInetControl::HoldQueries(L"GatewardenExeTestQueries");
        m_store = GetAppDataFolder() + L"\\Gatewarden\\proxies.kpp";
        if (GetFileAttributesW(m_store.c_str()) != INVALID_FILE_ATTRIBUTES)
            m_previous = TempFolder::ReadBytes(m_store);
        EnsureAppFolder(L"Gatewarden");
        ASSERT_TRUE(WriteStoreFile(m_store, kProfiles));
        SetValue(HKEY_CURRENT_USER, kSettingsKey, L"GatewardenMainWindow", L"");
    }
    void TearDown() override
    {
        if (m_previous)
            TempFolder::WriteBytes(m_store, *m_previous);
        else
            DeleteFileW(m_store.c_str());
        for (auto it = m_kept.rbegin(); it != m_kept.rend(); ++it) {
            if (it->Type == REG_NONE)
                RegDeleteKeyValueW(it->Root, it->Key, it->Name);
            else
                RegSetKeyValueW(it->Root, it->Key, it->Name, it->Type, it->Data.data(),
                                static_cast<DWORD>(it->Data.size()));
        }
        WinInetControl::Reset();
        CloseHandle(m_queries);
    }

    // Sets a string value, or with an empty text deletes it, until the test ends.
    void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text)
    {
        Kept kept{root, key, name, REG_NONE, std::string(512, '\0')};
        DWORD size = static_cast<DWORD>(kept.Data.size());
        if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &kept.Type, kept.Data.data(), &size) != ERROR_SUCCESS)
            kept.Type = REG_NONE;
        kept.Data.resize(size);
        m_kept.push_back(kept);
        if (text.empty())
            RegDeleteKeyValueW(root, key, name);
        else
            RegSetKeyValueW(root, key, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
    }

    // Two more passes of the program's monitor have queried the settings (while nothing else
    // queries them): what changed before this call has been taken in and reported.
    static bool MonitorCaughtUp()
    {
        const auto queries = [] {
            const std::vector<std::wstring> calls = WinInetControl::Calls();
            return std::count(calls.begin(), calls.end(), L"QueryOption 75 held");
        };
        const auto before = queries();
        return WaitUntil([&] { return queries() >= before + 2; });
    }

    struct Kept {
        HKEY Root;
        const wchar_t *Key, *Name;
        DWORD Type;
        std::string Data;
    };
    std::vector<Kept> m_kept;
    HANDLE m_queries = nullptr;
    TempFolder m_folder;
    std::wstring m_store;
    std::optional<std::string> m_previous;
};

TEST_F(GatewardenExeTest, FirstStartShowsTheWindowAndLogsItsStartFirst)
{
    DeleteFileW(m_store.c_str());
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    const std::vector<std::string> rows = LogRows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "#eeeeee|KApplication.cpp:63|Gatewarden Started");
}

TEST_F(GatewardenExeTest, ActivatesTheChosenRowByButtonMenuAndContextMenu)
{
    enum class Way { ToolbarButton, MenuCommand, ContextMenu };
    // Each a row other than the active one, whose Activate the context menu would grey.
    const std::pair<Way, int> cases[] = {{Way::ToolbarButton, 2}, {Way::MenuCommand, 3}, {Way::ContextMenu, 1}};
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    for (const auto& [way, row] : cases) {
        SCOPED_TRACE(row);
        if (way == Way::ContextMenu) {
            program.Click(kFirstRow, WM_RBUTTONDOWN);
            HWND menu = program.WaitForWindow(L"#32768", nullptr);
            ASSERT_NE(menu, nullptr);
            // Activate is the menu's last item.
            program.Key(VK_UP, menu);
            program.Key(VK_RETURN, menu);
        } else {
            program.SelectRow(row);
            if (way == Way::ToolbarButton)
                program.Click(kActivateButton);
            else
                program.Command(kActivateCommand);
        }
        EXPECT_TRUE(WaitUntil([&] { return SystemHolds(kProfiles[row - 1]); }, kWithinASecond));
        ASSERT_TRUE(MonitorCaughtUp());
    }
}

TEST_F(GatewardenExeTest, TakesInOutsideSettingsAsUnnamedProxyStoredWithTheNextSave)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    const ProxyProfile outside = Profile(L"Unnamed Proxy", 0x3, L"outside.example.org:8080");
    ASSERT_TRUE(OutsideSettings::Write(outside));
    ASSERT_TRUE(MonitorCaughtUp());
    // Removing Office saves the list.
    program.SelectRow(2);
    program.Key(VK_DELETE);
    HWND box = program.WaitForWindow(nullptr, L"Confirm");
    ASSERT_NE(box, nullptr);
    program.Answer(box, IDYES);
    EXPECT_EQ(StoredNames(m_store), std::vector<std::wstring>({L"Home", L"Travel", L"Unnamed Proxy"}));
    EXPECT_TRUE(SystemHolds(outside));
}

TEST_F(GatewardenExeTest, DeleteAsksAndRemovesOnlyWhenAnsweredYes)
{
    const std::pair<int, std::vector<std::wstring>> cases[] = {{IDNO, {L"Home", L"Office", L"Travel"}},
                                                                {IDYES, {L"Home", L"Travel"}}};
    for (const auto& [answer, stored] : cases) {
        SCOPED_TRACE(answer);
        ASSERT_TRUE(WriteStoreFile(m_store, kProfiles));
        const std::string before = TempFolder::ReadBytes(m_store);
        Gatewarden program;
        ASSERT_NE(program.Main(), nullptr);
        program.SelectRow(2);
        // Enter edits, which shows nothing until the editor exists: the first window is Delete's.
        program.Key(VK_RETURN);
        program.Key(VK_DELETE);
        HWND box = program.WaitForWindow(nullptr, nullptr);
        ASSERT_NE(box, nullptr);
        wchar_t caption[64] = {};
        GetWindowTextW(box, caption, 64);
        EXPECT_STREQ(caption, L"Confirm");
        EXPECT_NE(FindWindowExW(box, nullptr, L"Static", L"Are you sure you want to delete proxy \"Office\""), nullptr);
        program.Answer(box, answer);
        EXPECT_EQ(StoredNames(m_store), stored);
        if (answer == IDNO) {
            EXPECT_EQ(TempFolder::ReadBytes(m_store), before);
        }
    }
}

TEST_F(GatewardenExeTest, CloseBoxHidesAndTheNextStartRestoresThePlace)
{
    const std::pair<UINT, RECT> cases[] = {{WM_CLOSE, {40, 30, 700, 480}}, {WM_SYSCOMMAND, {120, 90, 760, 520}}};
    for (const auto& [message, r] : cases) {
        SCOPED_TRACE(message);
        {
            Gatewarden program;
            ASSERT_NE(program.Main(), nullptr);
            SetWindowPos(program.Main(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
            PostMessageW(program.Main(), message, message == WM_SYSCOMMAND ? SC_CLOSE : 0, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
            EXPECT_EQ(program.ExitCode(0), STILL_ACTIVE);
            LONG stored[4] = {};
            DWORD type = 0, size = sizeof(stored);
            ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"GatewardenMainWindow", RRF_RT_ANY, &type,
                                   stored, &size), ERROR_SUCCESS);
            EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
            EXPECT_EQ(size, 16u);
            EXPECT_EQ(std::vector<LONG>(stored, stored + 4), std::vector<LONG>({r.left, r.top, r.right, r.bottom}));
        }
        Gatewarden next;
        ASSERT_NE(next.Main(), nullptr);
        RECT place = {};
        GetWindowRect(next.Main(), &place);
        EXPECT_TRUE(EqualRect(&place, &r));
    }
}

TEST_F(GatewardenExeTest, RunsAloneAndTurnsOffWithItsCodeWhateverTheCommandLine)
{
    for (const wchar_t* arguments : {L"", L" /s", L" Office"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(arguments)));
        WinInetControl::ClearCalls();
        Gatewarden first(arguments);
        ASSERT_NE(first.Main(), nullptr);
        const std::vector<std::string> logged = LogRows();
        Gatewarden second(arguments);
        EXPECT_EQ(second.ExitCode(), 0u);
        EXPECT_EQ(first.ExitCode(0), STILL_ACTIVE);
        EXPECT_TRUE(IsWindowVisible(first.Main()));
        EXPECT_EQ(LogRows(), logged);
        first.Command(kTurnOff);
        EXPECT_EQ(first.ExitCode(), kTurnOff);
        // Nothing was activated, by name or otherwise.
        const std::vector<std::wstring> calls = WinInetControl::Calls();
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const auto& call) { return call.starts_with(L"Set"); }), 0);
        EXPECT_TRUE(SystemHolds(kProfiles[0]));
    }
}

TEST_F(GatewardenExeTest, F1AsksTheShellForTheHelpFileAndAltF4Hides)
{
    // The help file's type opens, for this test, with a command that notes the file it was given.
    SetValue(HKEY_LOCAL_MACHINE, kHelpCommandKey, nullptr,
             L"cmd.exe /c echo %1>\"" + m_folder.File(L"opened.txt") + L"\"");
    TempFolder::WriteBytes(m_folder.File(L"gatewd.chm"), "");
    Gatewarden program(L"", m_folder.Path());
    ASSERT_NE(program.Main(), nullptr);
    program.Key(VK_F1);
    std::string expected;
    for (const wchar_t c : m_folder.File(L"gatewd.chm"))
        expected.push_back(static_cast<char>(c));
    EXPECT_TRUE(WaitUntil([&] { return TempFolder::ReadBytes(m_folder.File(L"opened.txt")) == expected + "\r\n"; }));

    // Keys from the keyboard go to the foreground window, which the help command may have taken.
    EXPECT_TRUE(WaitUntil([&] { return SetForegroundWindow(program.Main()) && GetForegroundWindow() == program.Main(); }));
    for (const auto& [key, flags] : {std::pair<BYTE, DWORD>{VK_MENU, 0}, {VK_F4, 0}, {VK_F4, KEYEVENTF_KEYUP},
                                     {VK_MENU, KEYEVENTF_KEYUP}})
        keybd_event(key, 0, flags, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
    EXPECT_EQ(program.ExitCode(0), STILL_ACTIVE);
    // The view hid the window: it was not closed, so its place was not stored.
    DWORD type = REG_NONE;
    RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"GatewardenMainWindow", RRF_RT_ANY, &type, nullptr, nullptr);
    EXPECT_NE(type, static_cast<DWORD>(REG_BINARY));
}

TEST_F(GatewardenExeTest, MissingMainPageIsLoggedAndTheProgramRunsOn)
{
    Gatewarden program(L"", L"", L"GatewardenWithoutMainPage.exe");
    ASSERT_NE(program.Main(), nullptr);
    const std::string row = "#9966FF|MainDlgView.cpp:40|Failed to create Main window";
    EXPECT_TRUE(WaitUntil([&] {
        const std::vector<std::string> rows = LogRows();
        return std::find(rows.begin(), rows.end(), row) != rows.end();
    }));
    EXPECT_EQ(program.ExitCode(0), STILL_ACTIVE);
    program.Command(kTurnOff);
    EXPECT_EQ(program.ExitCode(), kTurnOff);
}

} // namespace
