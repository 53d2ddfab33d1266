// The shipped Gatewarden.exe driven as a user drives it: menu commands, keys and clicks sent to its
// windows from this process.
#include "app/GatewardenProgram.h"

#include <climits>
#include <map>

namespace {

const wchar_t kHelpCommandKey[] = L"Software\\Classes\\chm.file\\shell\\open\\command";

std::wstring TestsFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring exe = path;
    return exe.substr(0, exe.rfind(L'\\') + 1);
}

// A window moved to a monitor of another scale, as the system tells it: WM_DPICHANGED with the new
// DPI and the rectangle it suggests, which lives in the program's memory as the system's would.
bool SendDpiChange(HANDLE process, HWND window, int dpi, const RECT& suggested)
{
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr)
        return false;
    DWORD_PTR result = 0;
    const bool sent = WriteProcessMemory(process, remote, &suggested, sizeof(RECT), nullptr) &&
                      SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                                          SMTO_NORMAL, kLimitMs, &result) != 0;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return sent;
}

// Moves the window from 96 to 144 DPI and expects the window at the suggested rectangle and
// every element of the roles given (the nth of each role) half as large again.
void ExpectDpiChangeScales(HANDLE process, HWND window, HWND page, const std::vector<std::pair<long, int>>& elements)
{
    const auto sizes = [&] {
        const AccessibleTree tree(page);
        std::vector<SIZE> found;
        for (const auto& [role, nth] : elements) {
            const std::optional<AccessibleItem> item = tree.Find(role, nullptr, nth);
            found.push_back(item ? SIZE{item->Box.right - item->Box.left, item->Box.bottom - item->Box.top} : SIZE{});
        }
        return found;
    };
    const std::vector<SIZE> before = sizes();
    RECT suggested{};
    GetWindowRect(window, &suggested);
    OffsetRect(&suggested, 20, 10);
    suggested.right = suggested.left + (suggested.right - suggested.left) * 3 / 2;
    suggested.bottom = suggested.top + (suggested.bottom - suggested.top) * 3 / 2;
    ASSERT_TRUE(SendDpiChange(process, window, 144, suggested));

    RECT now{};
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested)) << now.left << "," << now.top << " " << now.right << "," << now.bottom;
    std::vector<SIZE> after;
    // The page relays out on its own schedule after the message.
    WaitUntil([&] {
        after = sizes();
        return after.size() == before.size() && after.back().cy * 4 > before.back().cy * 5;
    });
    for (std::size_t i = 0; i < elements.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "role " << elements[i].first << " #" << elements[i].second);
        ASSERT_GT(before[i].cy, 0);
        EXPECT_NEAR(static_cast<double>(after[i].cy) / before[i].cy, 1.5, 0.2);
        if (elements[i].first == ROLE_SYSTEM_GRAPHIC || elements[i].first == ROLE_SYSTEM_PUSHBUTTON) {
            EXPECT_NEAR(static_cast<double>(after[i].cx) / before[i].cx, 1.5, 0.2);
        }
    }
}

// The store's files, each with its size and time, and the copies kept beside it.
std::map<std::wstring, std::string> StoreFiles(const std::wstring& store)
{
    std::map<std::wstring, std::string> files;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((store + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        files[found.cFileName] = std::to_string(found.nFileSizeLow) + " " +
                                 std::to_string(found.ftLastWriteTime.dwLowDateTime) + " " +
                                 std::to_string(found.ftLastWriteTime.dwHighDateTime);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

// The copies the program kept of a store it could not read, with their bytes.
std::map<std::wstring, std::string> KeptCopies(const std::wstring& store)
{
    const std::wstring folder = store.substr(0, store.rfind(L'\\') + 1);
    std::map<std::wstring, std::string> kept;
    for (const auto& [name, facts] : StoreFiles(store + L".unreadable-"))
        kept[folder + name] = TempFolder::ReadBytes(folder + name);
    return kept;
}

bool Logged(const std::string& message)
{
    const std::vector<std::string> rows = LogRows();
    return std::any_of(rows.begin(), rows.end(), [&](const std::string& row) { return row.ends_with("|" + message); });
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The table's rows that carry the active marker, as a screen reader reads them (the marker is
// the first cell's text); the header is row 0.
std::vector<int> MarkedRows(HWND view)
{
    std::vector<int> marked;
    const std::vector<AccessibleItem> rows = AccessibleTree(view).All(ROLE_SYSTEM_ROW);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Name.starts_with(L"\u00BB"))
            marked.push_back(static_cast<int>(i));
    }
    return marked;
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
            program.Click(program.Row(1), WM_RBUTTONDOWN);
            HWND menu = program.WaitForWindow(L"#32768", nullptr);
            ASSERT_NE(menu, nullptr);
            // Activate is the menu's last item.
            program.Key(VK_UP, menu);
            program.Key(VK_RETURN, menu);
        } else {
            program.SelectRow(row);
            if (way == Way::ToolbarButton)
                program.Click(Gatewarden::Place(program.View(), ROLE_SYSTEM_PUSHBUTTON, L"Activate proxy"));
            else
                program.Command(Command::Activate);
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

std::vector<LONG> StoredPlace()
{
    LONG stored[4] = {};
    DWORD type = 0, size = sizeof(stored);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"GatewardenMainWindow", RRF_RT_ANY, &type, stored, &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof(stored))
        return {};
    return std::vector<LONG>(stored, stored + 4);
}

TEST_F(GatewardenExeTest, CloseBoxHidesAndTheNextStartRestoresThePlace)
{
    enum class Way { Close, SystemClose, CloseWhileMinimised };
    const std::pair<Way, RECT> cases[] = {
        {Way::Close, {40, 30, 700, 480}},
        {Way::SystemClose, {120, 90, 760, 520}},
        {Way::CloseWhileMinimised, {60, 70, 720, 530}},
    };
    for (const auto& [way, r] : cases) {
        SCOPED_TRACE(static_cast<int>(way));
        {
            Gatewarden program;
            ASSERT_NE(program.Main(), nullptr);
            SetWindowPos(program.Main(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
            if (way == Way::CloseWhileMinimised) {
                // As from the taskbar button's menu.
                PostMessageW(program.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
                ASSERT_TRUE(WaitUntil([&] { return IsIconic(program.Main()) != FALSE; }));
            }
            if (way == Way::Close)
                PostMessageW(program.Main(), WM_CLOSE, 0, 0);
            else
                PostMessageW(program.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
            EXPECT_EQ(program.ExitCode(0), STILL_ACTIVE);
            EXPECT_EQ(StoredPlace(), std::vector<LONG>({r.left, r.top, r.right, r.bottom}));
        }
        Gatewarden next;
        ASSERT_NE(next.Main(), nullptr);
        RECT place = {};
        GetWindowRect(next.Main(), &place);
        EXPECT_TRUE(EqualRect(&place, &r));
    }
}

TEST_F(GatewardenExeTest, HostileStoredPlacesOpenAUsableWindowThatIsSavedSane)
{
    RECT fresh = {};
    {
        Gatewarden program;
        ASSERT_NE(program.Main(), nullptr);
        GetWindowRect(program.Main(), &fresh);
    }
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    struct Case {
        const char* What;
        LONG Stored[4];
        bool Moved;  // brought onto the screen at its own size, else the template's place
    };
    const Case cases[] = {
        {"far and huge", {-1000000000, -1000000000, 1000000000, 1000000000}, false},
        {"inverted", {700, 480, 40, 30}, false},
        {"empty", {100, 100, 100, 100}, false},
        {"minimised leftover", {-32000, -32000, -31840, -31972}, false},
        {"inverted, 400 wide in 32 bits", {LONG_MAX, 0, LONG_MAX - 4294966896LL, 300}, false},
        {"off every screen", {5000, 5000, 5600, 5400}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"GatewardenMainWindow", REG_BINARY, c.Stored,
                                  sizeof(c.Stored)), ERROR_SUCCESS);
        Gatewarden program;
        ASSERT_NE(program.Main(), nullptr);
        RECT place = {}, client = {};
        GetWindowRect(program.Main(), &place);
        GetClientRect(program.Main(), &client);
        if (c.Moved) {
            EXPECT_EQ(place.right - place.left, 600);
            EXPECT_EQ(place.bottom - place.top, 400);
            RECT inside = {};
            IntersectRect(&inside, &place, &work);
            EXPECT_TRUE(EqualRect(&inside, &place));
        } else {
            EXPECT_TRUE(EqualRect(&place, &fresh));
        }
        EXPECT_GT(client.bottom, 100);
        PostMessageW(program.Main(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
        EXPECT_EQ(StoredPlace(), std::vector<LONG>({place.left, place.top, place.right, place.bottom}));
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
        // The first one's monitor waits inside its next query of the settings, so that a query of
        // the second would show and would hold it too; the store is held as another program may.
        const auto queries = [] {
            const std::vector<std::wstring> calls = WinInetControl::Calls();
            return std::count(calls.begin(), calls.end(), L"QueryOption 75 held");
        };
        ResetEvent(m_queries);
        const auto beforeHold = queries();
        ASSERT_TRUE(WaitUntil([&] { return queries() > beforeHold; }));
        const auto held = queries();
        const auto files = StoreFiles(m_store);
        HANDLE store = CreateFileW(m_store.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(store, INVALID_HANDLE_VALUE);
        Gatewarden second(arguments);
        EXPECT_EQ(second.ExitCode(), 0u);
        CloseHandle(store);
        SetEvent(m_queries);
        EXPECT_EQ(queries(), held) << "the second start asked for the system's settings";
        EXPECT_EQ(StoreFiles(m_store), files) << "the second start wrote beside the store";
        EXPECT_EQ(first.ExitCode(0), STILL_ACTIVE);
        EXPECT_TRUE(IsWindowVisible(first.Main()));
        EXPECT_EQ(LogRows(), logged);
        first.Command(Command::TurnOff);
        EXPECT_EQ(first.ExitCode(), Command::TurnOff);
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
    // The program in a folder of its own with its help file beside it, started in the system's
    // folder as the Run key starts it.
    const std::wstring installed = m_folder.File(L"Installed Gatewarden");
    CreateDirectoryW(installed.c_str(), nullptr);
    const std::wstring tests = TestsFolder();
    for (const wchar_t* file : {L"Gatewarden.exe", L"wininet.dll"})
        ASSERT_TRUE(CopyFileW((tests + file).c_str(), (installed + L"\\" + file).c_str(), FALSE));
    TempFolder::WriteBytes(installed + L"\\gatewd.chm", "");
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    Gatewarden program(L"", system, (installed + L"\\Gatewarden.exe").c_str());
    ASSERT_NE(program.Main(), nullptr);
    program.Key(VK_F1);
    std::string expected;
    for (const wchar_t c : installed + L"\\gatewd.chm")
        expected.push_back(static_cast<char>(c));
    const auto opened = [&] {
        std::string text = TempFolder::ReadBytes(m_folder.File(L"opened.txt"));
        std::erase(text, '"');
        return text;
    };
    EXPECT_TRUE(WaitUntil([&] { return opened() == expected + "\r\n"; })) << opened();

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

// A window moved to a monitor of another scale is laid out at its DPI: pictures, text and the
// table's rows larger, the window where the system suggests.
TEST_F(GatewardenExeTest, DpiChangeLaysOutTheMainWindowAndTheEditorAtTheNewScale)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    ExpectDpiChangeScales(program.Process(), program.Main(), program.View(),
                          {{ROLE_SYSTEM_PUSHBUTTON, 0}, {ROLE_SYSTEM_COLUMNHEADER, 1}, {ROLE_SYSTEM_ROW, 1}});

    program.Command(Command::NewProxy);
    HWND dialog = nullptr;
    HWND page = program.DialogPage(L"New proxy settings", &dialog);
    ASSERT_NE(page, nullptr);
    ExpectDpiChangeScales(program.Process(), dialog, page,
                          {{ROLE_SYSTEM_GRAPHIC, 0}, {ROLE_SYSTEM_CHECKBUTTON, 0}, {ROLE_SYSTEM_PUSHBUTTON, 0},
                           {ROLE_SYSTEM_TEXT, 0}});
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
    program.Command(Command::TurnOff);
    EXPECT_EQ(program.ExitCode(), Command::TurnOff);
}

// A store the program could not read at its start is not lost to the first save: its bytes are
// kept in a file beside it, and the log names that file. (Each way a store goes unread is the
// store's own test; here the start-up load and the editor's save meet it.)
TEST_F(GatewardenExeTest, UnreadableStoreIsKeptAsideBeforeTheFirstSave)
{
    std::string damaged = TempFolder::ReadBytes(m_store);
    damaged[4] = 'y';
    TempFolder::WriteBytes(m_store, damaged);
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    EXPECT_TRUE(Logged("Could not load proxies settings. Proxies DB file corrupted"));
    EXPECT_TRUE(Logged(Narrow(m_store) + " is left as it is; a copy of it is kept before the proxies are saved"));
    // The list started empty: the system's settings come in as "Unnamed Proxy" before the editor
    // offers a name.
    ASSERT_TRUE(MonitorCaughtUp());

    program.Command(Command::NewProxy);
    HWND dialog = nullptr;
    HWND page = program.DialogPage(L"New proxy settings", &dialog);
    ASSERT_NE(page, nullptr);
    program.Key(VK_RETURN, page);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    DWORD_PTR result = 0;
    ASSERT_NE(SendMessageTimeoutW(program.Main(), WM_NULL, 0, 0, SMTO_NORMAL, kLimitMs, &result), 0);

    const auto kept = KeptCopies(m_store);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept.begin()->second, damaged);
    EXPECT_TRUE(Logged("The proxies file that could not be read was kept as " + Narrow(kept.begin()->first)));
    EXPECT_FALSE(StoredNames(m_store).empty()) << "the new profile was saved";
    for (const auto& [path, bytes] : kept)
        DeleteFileW(path.c_str());
}

// The header row names the columns: it is never current, so no command acts on it, and it never
// carries the active marker, even when a profile bears the header's text as its name.
TEST_F(GatewardenExeTest, HeaderRowIsNeverCurrentNorMarked)
{
    const ProxyProfile named = Profile(L"Name", 0x3, L"http=name:80;https=;ftp=;gopher=;socks=;");
    ASSERT_TRUE(WriteStoreFile(m_store, {kProfiles[0], named, kProfiles[1], kProfiles[2]}));
    const std::string before = TempFolder::ReadBytes(m_store);
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    std::vector<int> marked;
    ASSERT_TRUE(WaitUntil([&] { return (marked = MarkedRows(program.View())) == std::vector<int>{1}; }))
        << "the active Home, first below the header: " << testing::PrintToString(marked);

    // A double click on the header, then the keys and commands that act on the current
    // row: none opens anything, applies anything or changes the store.
    const POINT header = program.Row(0);
    const LPARAM at = MAKELPARAM(header.x, header.y);
    for (const UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageW(program.View(), message, message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ? MK_LBUTTON : 0, at);
    WinInetControl::ClearCalls();
    program.Key(VK_RETURN);
    program.Key(VK_DELETE);
    program.Command(Command::DeleteProxy);
    program.Command(Command::Activate);
    EXPECT_EQ(program.WaitForWindow(nullptr, nullptr, kWithinASecond), nullptr) << "an editor or a question opened";
    const std::vector<std::wstring> calls = WinInetControl::Calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const auto& call) { return call.starts_with(L"Set"); }), 0);
    EXPECT_EQ(TempFolder::ReadBytes(m_store), before);

    program.SelectRow(2);
    program.Command(Command::Activate);
    EXPECT_TRUE(WaitUntil([&] { return SystemHolds(named); }, kWithinASecond));
    EXPECT_TRUE(WaitUntil([&] { return (marked = MarkedRows(program.View())) == std::vector<int>{2}; }))
        << testing::PrintToString(marked);
}

} // namespace
