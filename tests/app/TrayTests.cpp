// The shipped program's notification icon under Wine's system tray, driven from this process as
// the shell and a user drive it: the icon, its menu and what the menu's items do, and "Cleanup all"
// with its question.
#include "app/GatewardenProgram.h"

#include <shellapi.h>

#include <initializer_list>

namespace {

constexpr UINT kTrayId = 1723;
constexpr UINT kTrayNotify = WM_USER + 1;
const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kTypedUrlsKey[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";

// The tray menu's items as keys from a menu just opened, where nothing is selected yet: Down
// starts at the top, Up at the bottom.
using Keys = std::initializer_list<UINT>;
const Keys kOpenItem = {VK_DOWN, VK_RETURN};
const Keys kCleanCacheItem = {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN};
const Keys kRunAtStartupItem = {VK_UP, VK_UP, VK_UP, VK_RETURN};
const Keys kAboutItem = {VK_UP, VK_UP, VK_RETURN};
const Keys kTurnOffItem = {VK_UP, VK_RETURN};
const Keys kProxiesPopup = {VK_UP, VK_UP, VK_UP, VK_UP, VK_RIGHT};

// NIM_MODIFY with nothing to change succeeds only while the icon is there; NIM_DELETE takes it
// away as an Explorer that ends does.
bool TellShell(DWORD what, HWND owner)
{
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = owner;
    data.uID = kTrayId;
    return Shell_NotifyIconW(what, &data) != FALSE;
}

// A right press on the icon as the shell reports it; the menu window, or null.
HWND OpenTrayMenu(Gatewarden& program)
{
    PostMessageW(program.Main(), kTrayNotify, kTrayId, WM_RBUTTONDOWN);
    return program.WaitForWindow(L"#32768", nullptr);
}

void Press(Gatewarden& program, HWND window, Keys keys)
{
    for (const UINT key : keys)
        program.Key(key, window);
}

// The rows of a menu window (equal rows from its top) that show a mark in the check column, read
// from the screen: Wine does not let another process read a menu's items. A scanline marks its row
// when a few pixels of the column differ from the line's own background at its left end, so that a
// selected (coloured) row counts as well and a separator, across the whole column, does not.
std::vector<bool> CheckedRows(HWND menu, int rows)
{
    RECT box{};
    GetWindowRect(menu, &box);
    const int height = box.bottom - box.top;
    constexpr int kBorder = 3, kColumn = 18;
    HDC screen = GetDC(nullptr);
    const auto at = [&](int x, int y) { return GetPixel(screen, box.left + x, box.top + y); };
    // Painted: its frame is there and the first line inside it has a menu's colour.
    EXPECT_TRUE(WaitUntil([&] {
        const COLORREF inside = at(kBorder, kBorder);
        return at(0, height / 2) != at(kBorder, height / 2) &&
               (inside == GetSysColor(COLOR_MENU) || inside == GetSysColor(COLOR_HIGHLIGHT));
    }, kWithinASecond));
    std::vector<int> marked(static_cast<std::size_t>(rows), 0);
    for (int y = kBorder; y < height - kBorder; ++y) {
        int differing = 0;
        for (int x = kBorder + 1; x < kColumn; ++x)
            differing += at(x, y) != at(kBorder, y) ? 1 : 0;
        if (differing > 0 && differing <= (kColumn - kBorder) / 2)
            ++marked[static_cast<std::size_t>((y - kBorder) * rows / (height - 2 * kBorder))];
    }
    ReleaseDC(nullptr, screen);
    std::vector<bool> checked;
    for (const int lines : marked)
        checked.push_back(lines >= 3);
    return checked;
}

// The store, settings and registry of the program's end-to-end tests.
class TrayTest : public GatewardenExeTest {};

std::wstring RunValue()
{
    wchar_t text[1000] = {};
    DWORD size = sizeof(text);
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Gatewarden", RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return L"";
    return text;
}

TEST_F(TrayTest, TrayIconAppearsAndComesBackWhenTheShellStartsAgain)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return TellShell(NIM_MODIFY, program.Main()); }));
    HWND tray = FindWindowW(nullptr, L"Wine System Tray");
    ASSERT_NE(tray, nullptr);
    EXPECT_TRUE(IsWindowVisible(tray));

    ASSERT_TRUE(TellShell(NIM_DELETE, program.Main()));
    EXPECT_FALSE(TellShell(NIM_MODIFY, program.Main()));
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, kLimitMs,
                        &result);
    EXPECT_TRUE(WaitUntil([&] { return TellShell(NIM_MODIFY, program.Main()); }, kWithinASecond));
}

TEST_F(TrayTest, TrayMenuShowsTheActiveProfileCheckedAndActivatesTheOneChosen)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    // Each row chosen in turn, the active one again last; Home is active at the start.
    const std::pair<int, int> cases[] = {{0, 1}, {1, 2}, {2, 2}, {2, 0}};
    for (const auto& [active, chosen] : cases) {
        SCOPED_TRACE(chosen);
        HWND menu = OpenTrayMenu(program);
        ASSERT_NE(menu, nullptr);
        Press(program, menu, kProxiesPopup);
        HWND popup = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            popup = FindWindowExW(nullptr, nullptr, L"#32768", nullptr);
            while (popup != nullptr && (popup == menu || !IsWindowVisible(popup)))
                popup = FindWindowExW(nullptr, popup, L"#32768", nullptr);
            return popup != nullptr;
        }));
        std::vector<bool> checked(3, false);
        checked[static_cast<std::size_t>(active)] = true;
        EXPECT_EQ(CheckedRows(popup, 3), checked);
        for (int i = 0; i < chosen; ++i)
            program.Key(VK_DOWN, popup);
        program.Key(VK_RETURN, popup);
        EXPECT_TRUE(WaitUntil([&] { return SystemHolds(kProfiles[static_cast<std::size_t>(chosen)]); }, kWithinASecond));
        ASSERT_TRUE(MonitorCaughtUp());
    }
}

// A copy of the program (and the stand-in beside it) whose path is 256 characters long, so that
// its Run entry, quoted and with " /s", is longer than MAX_PATH. (Wine starts no program whose
// own path is that long.)
std::wstring DeepCopy(const TempFolder& folder)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring tests = path;
    tests.resize(tests.rfind(L'\\') + 1);
    const std::wstring name = L"\\Gatewarden.exe";
    std::wstring deep = folder.Path();
    while (deep.size() + name.size() < 256) {
        const std::size_t left = 256 - deep.size() - name.size();
        deep += L"\\" + std::wstring(left <= 31 ? left - 1 : 20, L'd');
        CreateDirectoryW(deep.c_str(), nullptr);
    }
    for (const wchar_t* file : {L"Gatewarden.exe", L"wininet.dll"})
        EXPECT_TRUE(CopyFileW((tests + file).c_str(), (deep + L"\\" + file).c_str(), FALSE));
    return deep + name;
}

TEST_F(TrayTest, RunAtStartupTogglesTheRunValueAndItsCheckFollowsWhereverTheProgramLies)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring beside = path;
    beside = beside.substr(0, beside.rfind(L'\\') + 1) + L"Gatewarden.exe";
    for (const std::wstring& exe : {beside, DeepCopy(m_folder)}) {
        SCOPED_TRACE(exe.size());
        SetValue(HKEY_CURRENT_USER, kRunKey, L"Gatewarden", L"");
        Gatewarden program(L"", L"", exe.c_str());
        ASSERT_NE(program.Main(), nullptr);
        for (const std::wstring& expected : {L"\"" + exe + L"\" /s", std::wstring()}) {
            HWND menu = OpenTrayMenu(program);
            ASSERT_NE(menu, nullptr);
            // The only item of the menu that can carry a check.
            const std::vector<bool> rows = CheckedRows(menu, 1);
            EXPECT_EQ(rows[0], expected.empty());
            Press(program, menu, kRunAtStartupItem);
            EXPECT_TRUE(WaitUntil([&] { return RunValue() == expected; }));
        }
    }
}

TEST_F(TrayTest, AboutAskedForWhileOpenComesForwardInsteadOfASecondOne)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    HWND about = nullptr;
    for (int time = 0; time < 2; ++time) {
        HWND menu = OpenTrayMenu(program);
        ASSERT_NE(menu, nullptr);
        Press(program, menu, kAboutItem);
        about = program.WaitForWindow(L"#32770", L"About Gatewarden");
        ASSERT_NE(about, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == about; })) << time;
    }
    // Once the main window has read a later command, any second About would be there.
    program.Command(Command::CloseToTray);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
    int abouts = 0;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", L"About Gatewarden"));)
        abouts += IsWindowVisible(window) ? 1 : 0;
    EXPECT_EQ(abouts, 1);
    EXPECT_NE(FindWindowExW(about, nullptr, L"GatewardenHtmlHost", nullptr), nullptr);
}

TEST_F(TrayTest, TrayShowsTheHiddenWindowOnDoubleClickAndOpenButNotOnAMenuLeftAlone)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    enum class Way { DoubleClick, MenuDismissed, OpenItem };
    for (const Way way : {Way::DoubleClick, Way::MenuDismissed, Way::OpenItem}) {
        SCOPED_TRACE(static_cast<int>(way));
        program.Command(Command::CloseToTray);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
        if (way == Way::DoubleClick) {
            PostMessageW(program.Main(), kTrayNotify, kTrayId, WM_LBUTTONDBLCLK);
        } else {
            HWND menu = OpenTrayMenu(program);
            ASSERT_NE(menu, nullptr);
            Press(program, menu, way == Way::OpenItem ? kOpenItem : Keys{VK_ESCAPE});
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }));
        }
        if (way == Way::MenuDismissed) {
            // The menu's choice is acted on before the program reads its next message.
            DWORD_PTR result = 0;
            ASSERT_NE(SendMessageTimeoutW(program.Main(), WM_NULL, 0, 0, SMTO_NORMAL, kLimitMs, &result), 0);
            EXPECT_FALSE(IsWindowVisible(program.Main()));
        } else {
            EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(program.Main()) != FALSE; }));
        }
    }
}

TEST_F(TrayTest, TrayTurnOffEndsWithCodeTwoAndTakesTheIconAway)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    HWND main = program.Main();
    ASSERT_TRUE(WaitUntil([&] { return TellShell(NIM_MODIFY, main); }));
    HWND menu = OpenTrayMenu(program);
    ASSERT_NE(menu, nullptr);
    Press(program, menu, kTurnOffItem);
    EXPECT_EQ(program.ExitCode(), 2u);
    EXPECT_FALSE(TellShell(NIM_MODIFY, main));
}

// A dialog that a click in the main view opened runs its loop inside that click's handler; the
// tray menu still works then. Run once more under Wine's heap checking (tests/app/CMakeLists.txt).
TEST_F(TrayTest, TurnOffWhileADialogOpenedByAClickIsOpenEndsCleanlyWithItsCode)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dump = std::wstring(temp) + L"Gatewarden.exe.dmp";
    enum class Way { AddButton, RowDoubleClick, RemoveButton };
    const std::pair<Way, const wchar_t*> cases[] = {
        {Way::AddButton, L"New proxy settings"},
        {Way::RowDoubleClick, L"Edit proxy settings"},
        {Way::RemoveButton, L"Confirm"},
    };
    for (const auto& [way, caption] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(caption)));
        DeleteFileW(dump.c_str());
        const std::string store = TempFolder::ReadBytes(m_store);
        Gatewarden program;
        ASSERT_NE(program.Main(), nullptr);
        if (way == Way::AddButton) {
            program.Click(Gatewarden::Place(program.View(), ROLE_SYSTEM_PUSHBUTTON, L"Add proxy [Ctrl + N]"));
        } else if (way == Way::RowDoubleClick) {
            program.DoubleClick(program.Row(1));
        } else {
            program.SelectRow(1);
            program.Click(Gatewarden::Place(program.View(), ROLE_SYSTEM_PUSHBUTTON, L"Remove proxy [Del]"));
        }
        HWND dialog = program.WaitForWindow(L"#32770", caption);
        ASSERT_NE(dialog, nullptr);
        HWND menu = OpenTrayMenu(program);
        ASSERT_NE(menu, nullptr);
        Press(program, menu, kTurnOffItem);
        EXPECT_EQ(program.ExitCode(), 2u);
        EXPECT_EQ(GetFileAttributesW(dump.c_str()), INVALID_FILE_ATTRIBUTES);
        for (const std::string& row : LogRows())
            EXPECT_EQ(row.find("Unhandled exception"), std::string::npos) << row;
        // Cancelled, not confirmed: the store is as it was.
        EXPECT_EQ(TempFolder::ReadBytes(m_store), store);
    }
}

TEST_F(TrayTest, CleanupAllRunsTheFourInOrderOnlyWhenAnsweredYes)
{
    const std::vector<WinInetControl::CacheEntry> cache = {
        {L"Cookie:user@example.org/", WinInetControl::kCookieCacheEntry},
        {L"http://example.org/page.html"},
        {L"http://example.org/logo.png"},
    };
    wchar_t profile[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%USERPROFILE%\\Local Settings\\History\\History.IE5\\index.dat", profile, MAX_PATH);
    ASSERT_EQ(GetFileAttributesW(profile), INVALID_FILE_ATTRIBUTES) << "this test expects no history index";
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);

    // One cleanup alone from the tray menu: the cache keeps its cookie.
    WinInetControl::SeedCache(cache);
    HWND menu = OpenTrayMenu(program);
    ASSERT_NE(menu, nullptr);
    Press(program, menu, kCleanCacheItem);
    EXPECT_TRUE(WaitUntil([&] { return WinInetControl::CacheUrls() == std::vector<std::wstring>{cache[0].Url}; }));

    const std::vector<std::string> ranAll = {
        "#eeeeee|MainDlg.cpp:354|IE Cache was successfully cleaned",
        "#eeeeee|MainDlg.cpp:369|IE Cookies was successfully cleaned",
        "#9966FF|MainDlg.cpp:389|Failed to cleanup IE History",
        "#eeeeee|MainDlg.cpp:399|IE Address Bar History was successfully cleaned",
    };
    for (const int answer : {IDNO, IDCANCEL, IDYES}) {
        SCOPED_TRACE(answer);
        WinInetControl::SeedCache(cache);
        SetValue(HKEY_CURRENT_USER, kTypedUrlsKey, L"url1", L"http://example.org/");
        const std::vector<std::string> before = LogRows();
        program.Command(Command::CleanAll);
        HWND box = program.WaitForWindow(nullptr, L"Confirm Cleanup");
        ASSERT_NE(box, nullptr);
        EXPECT_NE(FindWindowExW(box, nullptr, L"Static", L"Are you sure you want permanently remove all recent IE history?"),
                  nullptr);
        program.Answer(box, answer);
        const std::vector<std::string> after = LogRows();
        ASSERT_GE(after.size(), before.size());
        const std::vector<std::string> added(after.begin() + static_cast<std::ptrdiff_t>(before.size()), after.end());
        const bool yes = answer == IDYES;
        EXPECT_EQ(added, yes ? ranAll : std::vector<std::string>());
        std::vector<std::wstring> left;
        if (!yes)
            for (const auto& entry : cache)
                left.push_back(entry.Url);
        EXPECT_EQ(WinInetControl::CacheUrls(), left);
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kTypedUrlsKey, L"url1", RRF_RT_ANY, nullptr, nullptr, nullptr) ==
                      ERROR_SUCCESS,
                  !yes);
    }
}

} // namespace
