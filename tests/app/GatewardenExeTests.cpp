// Runs the shipped Gatewarden.exe (copied beside the WinINet stand-in) as a user would, with the
// store in the user's application-data folder of the test prefix.
#include "diag/AppFolders.h"
#include "profiles/ProfileStore.h"
#include "standins/wininet/WinInetControl.h"
#include "support/TempFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

// The exit code, or -1 when it did not end in time.
int RunGatewarden(const std::wstring& arguments)
{
    std::wstring command = L"\"" + ExeFolder() + L"\\Gatewarden.exe\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -2;
    const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    DWORD code = static_cast<DWORD>(-1);
    if (waited == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

class GatewardenExeTest : public testing::Test {
protected:
    void SetUp() override
    {
        WinInetControl::Reset();
        m_store = GetAppDataFolder() + L"\\Gatewarden\\proxies.kpp";
        m_previous = TempFolder::ReadBytes(m_store);
        m_hadStore = GetFileAttributesW(m_store.c_str()) != INVALID_FILE_ATTRIBUTES;
        EnsureAppFolder(L"Gatewarden");
    }
    void TearDown() override
    {
        if (m_hadStore)
            TempFolder::WriteBytes(m_store, m_previous);
        else
            DeleteFileW(m_store.c_str());
        WinInetControl::Reset();
    }

    std::wstring m_store;
    std::string m_previous;
    bool m_hadStore = false;
};

TEST_F(GatewardenExeTest, ActivatesAStoredProfileByName)
{
    std::vector<ProxyProfile> profiles(2);
    profiles[0].Name = L"Home";
    profiles[0].ConnectionFlags = 0x1;
    profiles[1].Name = L"Office";
    profiles[1].ConnectionFlags = 0x3;
    profiles[1].ProxyServer = L"http=office:3128;https=office:3128;ftp=;gopher=;socks=;";
    profiles[1].ProxyBypass = L"<local>";
    ASSERT_TRUE(WriteStoreFile(m_store, profiles));

    ASSERT_EQ(RunGatewarden(L"Office"), 0);
    const std::vector<std::wstring> expected = {
        L"SetOption 75 conn=(null) 4=(null) 5=0x1 1=0x3 3=\"<local>\" "
        L"2=\"http=office:3128;https=office:3128;ftp=;gopher=;socks=;\"",
        L"SetOption 39", L"SetOption 37"};
    EXPECT_EQ(WinInetControl::Calls(), expected);
}

} // namespace
