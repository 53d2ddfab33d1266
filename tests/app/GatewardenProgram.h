#pragma once
// One run of the shipped Gatewarden.exe (copied beside the WinINet stand-in) and the fixture that
// gives each test the same store, system settings and registry, put back afterwards. What the
// program did is read from what it leaves behind: the store, the log, the registry and the
// stand-in's settings.
#include "diag/AppFolders.h"
#include "profiles/StoreFile.h"
#include "standins/wininet/WinInetControl.h"
#include "support/AccessibleTree.h"
#include "support/TempFolder.h"
#include "support/TestProfiles.h"
#include "sysproxy/OutsideSettings.h"
#include "sysproxy/SystemSettings.h"
#include "views/Commands.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <regex>
#include <string>
#include <vector>

inline constexpr DWORD kLimitMs = 10000;
inline constexpr DWORD kWithinASecond = 1000;
inline const wchar_t kSettingsKey[] = L"Software\\KELM\\Gatewarden";

template <typename Condition>
bool WaitUntil(Condition condition, DWORD limitMs = kLimitMs)
{
    for (const DWORD start = GetTickCount(); !condition(); Sleep(20)) {
        if (GetTickCount() - start > limitMs)
            return condition();
    }
    return true;
}

inline ProxyProfile Profile(const wchar_t* name, std::uint32_t flags, const wchar_t* server, const wchar_t* url = L"")
{
    ProxyProfile profile = TestProfile(name, server, flags);
    profile.ProxyBypass = *server ? L"<local>" : L"";
    profile.AutoConfigUrl = url;
    return profile;
}

// In the table's order; Home holds the system's settings when a test starts.
inline const std::vector<ProxyProfile> kProfiles = {
    Profile(L"Home", 0x1, L""),
    Profile(L"Office", 0x3, L"http=office:3128;https=office:3128;ftp=;gopher=;socks=;"),
    Profile(L"Travel", 0x5, L"", L"http://wpad.example.org/proxy.pac"),
};

// The store's records in file order, the empty-named one included.
inline std::vector<ProxyProfile> StoredProfiles(const std::wstring& store)
{
    std::vector<ProxyProfile> profiles;
    static_cast<void>(ReadStoreFile(store, [&](ProxyProfile&& profile) { profiles.push_back(std::move(profile)); }));
    return profiles;
}

// The names in the store in file order, the empty one left out.
inline std::vector<std::wstring> StoredNames(const std::wstring& store)
{
    std::vector<std::wstring> names;
    for (const ProxyProfile& profile : StoredProfiles(store)) {
        if (!profile.Name.empty())
            names.push_back(profile.Name);
    }
    return names;
}

inline bool SystemHolds(const ProxyProfile& profile)
{
    ProxyProfile system;
    return CaptureSystemSettings(system) && system.SameSettings(profile);
}

// The log's rows as "colour|file:line|message".
inline std::vector<std::string> LogRows()
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
        // A name beside the tests, or a full path.
        const std::wstring folderOfTests = std::wcschr(exe, L':') ? L"" : command.substr(0, command.rfind(L'\\') + 1);
        command = L"\"" + folderOfTests + exe + L"\"" + arguments;
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
    HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD limitMs = kLimitMs)
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
        }, limitMs);
        return search.Found;
    }
    HWND Main()
    {
        if (m_main == nullptr)
            m_main = WaitForWindow(nullptr, L"Gatewarden v2.2");
        return m_main;
    }
    HWND View() { return FindWindowExW(Main(), nullptr, L"GatewardenHtmlHost", nullptr); }
    HANDLE Process() const { return m_process.hProcess; }

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
    void Click(POINT at, UINT down = WM_LBUTTONDOWN, HWND to = nullptr)
    {
        HWND window = to ? to : View();
        const LPARAM where = MAKELPARAM(at.x, at.y);
        PostMessageW(window, WM_MOUSEMOVE, 0, where);
        PostMessageW(window, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, where);
        PostMessageW(window, down + 1, 0, where);
    }
    // Press, release, the system's double-click message and release, as a double click arrives.
    void DoubleClick(POINT at, HWND to = nullptr)
    {
        HWND window = to ? to : View();
        Click(at, WM_LBUTTONDOWN, window);
        PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }
    // Characters as the keyboard's translated messages bring them to the focused input.
    static void Type(const std::wstring& text, HWND to)
    {
        for (const wchar_t c : text)
            PostMessageW(to, WM_CHAR, c, 1);
    }
    // The engine window of the dialog of this caption (the profile editor's among them), or null.
    HWND DialogPage(const wchar_t* caption, HWND* dialog = nullptr)
    {
        HWND found = WaitForWindow(L"#32770", caption);
        if (dialog != nullptr)
            *dialog = found;
        return found ? FindWindowExW(found, nullptr, L"GatewardenHtmlHost", nullptr) : nullptr;
    }
    // Where the page in the window shows the element of this role and name (the nth of them),
    // in the window's client coordinates: found in its accessible tree, as a screen reader finds
    // it. The test fails when there is none.
    static POINT Place(HWND page, long role, const wchar_t* name, int nth = 0)
    {
        const std::optional<AccessibleItem> item = AccessibleTree(page).Find(role, name, nth);
        EXPECT_TRUE(item.has_value()) << "no element of role " << role << (name ? " named " : "")
                                      << (name ? testing::PrintToString(std::wstring(name)) : "");
        return item ? item->Centre(page) : POINT{-1, -1};
    }
    // The main view's table row: 0 is the header, 1 the first profile.
    POINT Row(int row) { return Place(View(), ROLE_SYSTEM_ROW, nullptr, row); }
    // Makes a row current as a user may: a click on the first, then Down. Row 1 is the first profile.
    void SelectRow(int row)
    {
        Click(Row(1));
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
    // queries them): what changed before this call has been taken in and reported. The monitor
    // reads the settings only on a change notice under WinINet's key (or every few seconds), so
    // each pass is called for by touching a value there.
    static bool MonitorCaughtUp()
    {
        const auto queries = [] {
            const std::vector<std::wstring> calls = WinInetControl::Calls();
            return std::count(calls.begin(), calls.end(), L"QueryOption 75 held");
        };
        constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
        for (DWORD pass = 0; pass < 2; ++pass) {
            const auto before = queries();
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"MonitorProbe", REG_DWORD, &pass, sizeof pass);
            if (!WaitUntil([&] { return queries() > before; }))
                return false;
        }
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"MonitorProbe");
        return true;
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
