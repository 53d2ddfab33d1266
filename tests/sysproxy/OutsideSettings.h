#pragma once
// What the sysproxy tests share: changing the system's proxy settings as another program would,
// the window that receives the list's profile messages, and a list with its monitor running.
#include "profiles/ProfileMessages.h"
#include "profiles/StoreFile.h"
#include "standins/wininet/WinInetControl.h"
#include "support/TempFolder.h"
#include "support/TestProfiles.h"
#include "sysproxy/ProfileList.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace OutsideSettings {

// A list started as the program starts it, from a store file that holds these profiles.
inline std::unique_ptr<ProfileList> StartList(ProfileListOptions options, const std::vector<ProxyProfile>& stored)
{
    EXPECT_TRUE(WriteStoreFile(options.StorePath, stored));
    return std::make_unique<ProfileList>(std::move(options));
}

// Writes the five options from a thread of its own, the way another program changes them;
// a null connection is the LAN connection.
inline bool Write(const ProxyProfile& settings, const wchar_t* connection = nullptr)
{
    bool written = false;
    std::thread writer([&] {
        std::wstring url = settings.AutoConfigUrl, bypass = settings.ProxyBypass, server = settings.ProxyServer;
        std::wstring name = connection ? connection : L"";
        const auto text = [](std::wstring& value) { return value.empty() ? nullptr : value.data(); };
        INTERNET_PER_CONN_OPTIONW options[5] = {
            {INTERNET_PER_CONN_AUTOCONFIG_URL, {.pszValue = text(url)}},
            {INTERNET_PER_CONN_AUTODISCOVERY_FLAGS, {.dwValue = settings.AutoDiscoveryFlags}},
            {INTERNET_PER_CONN_FLAGS, {.dwValue = settings.ConnectionFlags}},
            {INTERNET_PER_CONN_PROXY_BYPASS, {.pszValue = text(bypass)}},
            {INTERNET_PER_CONN_PROXY_SERVER, {.pszValue = text(server)}}};
        INTERNET_PER_CONN_OPTION_LISTW list = {sizeof(list), connection ? name.data() : nullptr, 5, 0, options};
        written = InternetSetOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list)) != FALSE;
    });
    writer.join();
    return written;
}

// The proxy servers of the profiles written to the LAN connection, from the stand-in's log;
// "(null)" for a profile without one.
inline std::vector<std::wstring> AppliedServers()
{
    std::vector<std::wstring> servers;
    for (const std::wstring& call : WinInetControl::Calls()) {
        const auto at = call.find(L" 2=");
        if (call.rfind(L"SetOption 75 conn=(null)", 0) != 0 || at == std::wstring::npos)
            continue;
        std::wstring server = call.substr(at + 3);
        if (server.size() >= 2 && server.front() == L'"' && server.back() == L'"')
            server = server.substr(1, server.size() - 2);
        servers.push_back(server);
    }
    return servers;
}

// Follows the monitor thread's passes through the list's pass hook (Hook() into the options of a
// new list, once the previous one is gone: the count starts again).
class PassWatch {
public:
    [[nodiscard]] std::function<void(std::uint64_t)> Hook()
    {
        m_passes = 0;
        m_wakes = 0;
        return [this](std::uint64_t passes) {
            m_threadId = GetCurrentThreadId();
            m_passes = passes;
            ++m_wakes;
        };
    }
    [[nodiscard]] std::uint64_t Passes() const { return m_passes; }
    // The passes the thread woke for: the ones it sleeps through count in Passes only.
    [[nodiscard]] std::uint64_t Wakes() const { return m_wakes; }
    [[nodiscard]] DWORD ThreadId() const { return m_threadId; }
    // Waits until this many more passes have ended, or with checks, until this many more of the
    // passes that look at the adapters (the fifth, then every fourth); false when they did not.
    [[nodiscard]] bool WaitForMore(std::uint64_t more, bool checks = false,
                                   std::chrono::milliseconds limit = std::chrono::seconds(30)) const
    {
        std::uint64_t target = m_passes;
        for (std::uint64_t seen = 0; seen < more;) {
            ++target;
            if (!checks || (target >= 5 && target % 4 == 1))
                ++seen;
        }
        for (const auto end = std::chrono::steady_clock::now() + limit; m_passes < target; Sleep(1)) {
            if (std::chrono::steady_clock::now() > end)
                return false;
        }
        return true;
    }

private:
    std::atomic<std::uint64_t> m_passes = 0;
    std::atomic<std::uint64_t> m_wakes = 0;
    std::atomic<DWORD> m_threadId = 0;
};

// A message-only window of the calling thread; Take() gives the profile messages that arrived,
// each with the name of the profile it carries (empty when the entry is gone).
class MessageWindow {
public:
    MessageWindow() : m_window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~MessageWindow() { DestroyWindow(m_window); }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;
    [[nodiscard]] HWND Get() const { return m_window; }

    std::vector<std::pair<UINT, std::wstring>> Take(ProfileCollection& profiles)
    {
        std::vector<std::pair<UINT, std::wstring>> messages;
        MSG msg;
        while (PeekMessageW(&msg, m_window, WM_PROFILE_CHANGED, WM_PROFILE_ACTIVATED, PM_REMOVE)) {
            const auto profile = profiles.FindById(static_cast<std::uint64_t>(msg.wParam));
            messages.emplace_back(msg.message, profile ? profile->Name : std::wstring());
        }
        return messages;
    }

private:
    HWND m_window;
};

} // namespace OutsideSettings

// A profile list started as the program starts it, its monitor thread running at a period the
// test chooses against the WinINet stand-in, its messages going to the test's window.
class RunningMonitorTest : public testing::Test {
protected:
    void SetUp() override
    {
        WinInetControl::Reset();
        ASSERT_TRUE(OutsideSettings::Write(TestProfile(L"", L"", 0x1)));
    }
    void TearDown() override
    {
        m_list.reset();
        WinInetControl::Reset();
    }

    // The stand-in's call log starts empty.
    void Start(DWORD periodMs, const std::vector<ProxyProfile>& stored, int passesPerFullPass = 10)
    {
        m_list.reset();
        ProfileListOptions options;
        options.StorePath = m_folder.File(L"proxies.kpp");
        options.Monitoring.PeriodMs = periodMs;
        options.Monitoring.PassesPerFullPass = passesPerFullPass;
        options.Monitoring.PassDone = m_watch.Hook();
        m_list = OutsideSettings::StartList(std::move(options), stored);
        m_list->Notifier().SetWindow(m_window.Get());
        WinInetControl::ClearCalls();
    }

    TempFolder m_folder;
    OutsideSettings::PassWatch m_watch;
    OutsideSettings::MessageWindow m_window;
    std::unique_ptr<ProfileList> m_list;
};
