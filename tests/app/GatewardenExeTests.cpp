// The shipped Gatewarden.exe driven as a user drives it: menu commands, keys and clicks sent to its
// windows from this process.
#include "app/GatewardenProgram.h"

namespace {

constexpr UINT kTurnOff = 0x8004;
constexpr UINT kActivateCommand = 0x8015;
const wchar_t kHelpCommandKey[] = L"Software\\Classes\\chm.file\\shell\\open\\command";

// Where the main page puts its Activate button, in the same coordinates as the first row.
constexpr POINT kActivateButton = {20, 14};

std::vector<std::wstring> StoredNames(const std::wstring& store)
{
    std::vector<std::wstring> names;
    static_cast<void>(ReadStoreFile(store, [&](ProxyProfile&& profile) {
        if (!profile.Name.empty())
            names.push_back(profile.Name);
    }));
    return names;
}

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

// The window answers its smallest size to whoever asks, and a resize below it stops there.
TEST_F(GatewardenExeTest, TheWindowTellsItsSmallestSizeAndGoesNoSmaller)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    MINMAXINFO info{};
    SendMessageW(program.Main(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    RECT place{};
    GetWindowRect(program.Main(), &place);
    EXPECT_GT(info.ptMinTrackSize.x, GetSystemMetrics(SM_CXMINTRACK));
    EXPECT_LE(info.ptMinTrackSize.x, place.right - place.left);
    EXPECT_LE(info.ptMinTrackSize.y, place.bottom - place.top);
    SetWindowPos(program.Main(), nullptr, 0, 0, 100, 60, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(program.Main(), &place);
    EXPECT_EQ(info.ptMinTrackSize.x, place.right - place.left);
    EXPECT_EQ(info.ptMinTrackSize.y, place.bottom - place.top);
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
