// The installer as a user runs it, silently: it installs, the program starts
// from where it was put, and the uninstaller turns it off and takes away the program and its start
// with Windows, leaving the user's profiles.
#include "diag/AppFolders.h"
#include "support/TempFolder.h"
#include "support/TestProfiles.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr DWORD kLimitMs = 40000;
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gatewarden";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr DWORD kTurnOffCommand = 0x8004;

template <typename Condition>
bool WaitUntil(Condition condition, DWORD limitMs = kLimitMs)
{
    for (const DWORD start = GetTickCount(); !condition(); Sleep(50)) {
        if (GetTickCount() - start > limitMs)
            return condition();
    }
    return true;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::wstring> ReadString(HKEY root, const wchar_t* key, const wchar_t* name)
{
    wchar_t text[1024] = {};
    DWORD size = sizeof(text);
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

// The installer made by the build, in its packages folder two levels above the tests.
std::wstring Installer()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    for (int up = 0; up < 3; ++up)
        folder.erase(folder.rfind(L'\\'));
    return folder + L"\\packages\\" GW_INSTALLER_NAME;
}

PROCESS_INFORMATION Start(std::wstring command)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        ADD_FAILURE() << "could not start " << testing::PrintToString(command);
    return process;
}

DWORD Finish(PROCESS_INFORMATION& process, DWORD limitMs = kLimitMs)
{
    DWORD code = STILL_ACTIVE;
    if (process.hProcess == nullptr)
        return code;
    if (WaitForSingleObject(process.hProcess, limitMs) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = {};
    return code;
}

HWND VisibleWindowOf(DWORD processId, const wchar_t* caption)
{
    struct Search {
        DWORD Process;
        const wchar_t* Caption;
        HWND Found;
    } search{processId, caption, nullptr};
    EnumWindows([](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD process = 0;
        wchar_t text[64] = {};
        GetWindowThreadProcessId(window, &process);
        GetWindowTextW(window, text, 64);
        if (process == s.Process && IsWindowVisible(window) && std::wstring(text) == s.Caption)
            s.Found = window;
        return s.Found == nullptr;
    }, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
        folder = path;
    CoTaskMemFree(path);
    return folder;
}

// The user's store and start with Windows as they were before the test, put back after it.
class UserState {
public:
    explicit UserState(std::wstring store)
        : m_store(std::move(store)),
          m_bytes(Exists(m_store) ? std::optional<std::string>(TempFolder::ReadBytes(m_store)) : std::nullopt),
          m_run(ReadString(HKEY_CURRENT_USER, kRunKey, L"Gatewarden"))
    {
    }
    ~UserState()
    {
        if (m_bytes)
            TempFolder::WriteBytes(m_store, *m_bytes);
        else
            DeleteFileW(m_store.c_str());
        if (m_run)
            RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Gatewarden", REG_SZ, m_run->c_str(),
                            static_cast<DWORD>((m_run->size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Gatewarden");
    }
    UserState(const UserState&) = delete;
    UserState& operator=(const UserState&) = delete;

private:
    std::wstring m_store;
    std::optional<std::string> m_bytes;
    std::optional<std::wstring> m_run;
};

} // namespace

// Installed for the user alone (no administrator rights needed) and for all users: each mode
// keeps its files, shortcuts and Apps entry apart, and its uninstaller, run as Apps runs it, finds
// them again.
TEST(Installer, InstallsStartsAndUninstallsLeavingTheProfiles)
{
    struct Mode {
        const wchar_t* Switch;
        HKEY Root;
        const KNOWNFOLDERID& Programs;
    };
    const Mode modes[] = {{L"/CurrentUser", HKEY_CURRENT_USER, FOLDERID_Programs},
                          {L"/AllUsers", HKEY_LOCAL_MACHINE, FOLDERID_CommonPrograms}};
    const std::wstring installer = Installer();
    ASSERT_TRUE(Exists(installer)) << testing::PrintToString(installer) << ": build the installer first (tools/package.sh)";
    // The user's profiles, as a run before the installation left them.
    const std::wstring store = GetAppDataFolder() + L"\\Gatewarden\\proxies.kpp";
    const UserState kept(store);
    EnsureAppFolder(L"Gatewarden");
    const std::string profiles = StoreBytes::Store({TestProfile(L"Office", L"office:3128"), TestProfile(L"Home", L"")});
    TempFolder::WriteBytes(store, profiles);

    for (const Mode& mode : modes) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode.Switch)));
        PROCESS_INFORMATION setup = Start(L"\"" + installer + L"\" /S " + mode.Switch);
        ASSERT_EQ(Finish(setup), 0u);
        const std::optional<std::wstring> folder = ReadString(mode.Root, kUninstallKey, L"InstallLocation");
        const std::optional<std::wstring> uninstall = ReadString(mode.Root, kUninstallKey, L"QuietUninstallString");
        ASSERT_TRUE(folder.has_value() && uninstall.has_value());
        for (const wchar_t* file : {L"Gatewarden.exe", L"gatewd.chm", L"README.txt", L"LICENSE.txt", L"Uninstall.exe"})
            EXPECT_TRUE(Exists(*folder + L"\\" + file)) << testing::PrintToString(std::wstring(file));
        const std::wstring shortcut = KnownFolder(mode.Programs) + L"\\Gatewarden\\Gatewarden.lnk";
        EXPECT_TRUE(Exists(shortcut));
        EXPECT_EQ(ReadString(mode.Root, kUninstallKey, L"DisplayVersion"), L"2.2.0");

        PROCESS_INFORMATION program = Start(L"\"" + *folder + L"\\Gatewarden.exe\"");
        EXPECT_TRUE(WaitUntil([&] { return VisibleWindowOf(program.dwProcessId, L"Gatewarden v2.2") != nullptr; }));
        // The start with Windows, as the icon's menu sets it.
        const std::wstring run = L"\"" + *folder + L"\\Gatewarden.exe\"";
        RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Gatewarden", REG_SZ, run.c_str(),
                        static_cast<DWORD>((run.size() + 1) * sizeof(wchar_t)));

        // The uninstaller runs a copy of itself and returns at once: its work shows in what goes.
        PROCESS_INFORMATION uninstaller = Start(*uninstall);
        Finish(uninstaller);
        EXPECT_EQ(Finish(program), kTurnOffCommand) << "the uninstaller turns the running program off";
        // Its entry in Apps goes last.
        EXPECT_TRUE(WaitUntil([&] { return !ReadString(mode.Root, kUninstallKey, L"InstallLocation"); }));
        EXPECT_FALSE(Exists(*folder));
        EXPECT_FALSE(Exists(shortcut));
        EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, kRunKey, L"Gatewarden").has_value());
        EXPECT_EQ(TempFolder::ReadBytes(store), profiles);
    }
}
