// Runs the shipped Gatewarden.exe (copied beside the WinINet stand-in) as a user would, with the
// store in the user's application-data folder of the test prefix.
#include "diag/AppFolders.h"
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

TEST_F(GatewardenExeTest, ShowsItsWindowAndTurnsOffWithItsMenuCode)
{
    std::wstring command = L"\"" + ExeFolder() + L"\\Gatewarden.exe\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    HWND window = nullptr;
    for (int i = 0; i < 300 && window == nullptr; ++i) {
        Sleep(50);
        window = FindWindowW(nullptr, L"Gatewarden v2.2");
    }
    EXPECT_NE(nullptr, window);
    PostMessageW(window, WM_COMMAND, 0x8004, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 15000));
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(0x8004u, code);
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace
