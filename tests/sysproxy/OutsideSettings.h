#pragma once
// What the sysproxy tests share: changing the system's proxy settings as another program would,
// and the window that receives the list's profile messages.
#include "profiles/ProfileList.h"
#include "profiles/ProfileMessages.h"

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace OutsideSettings {

inline ProxyProfile Settings(const std::wstring& name, const std::wstring& server, std::uint32_t flags = 0x3)
{
    ProxyProfile profile;
    profile.Name = name;
    profile.ProxyServer = server;
    profile.ConnectionFlags = flags;
    return profile;
}

// Writes a store file holding these profiles, for a list that starts from it.
inline bool SaveStore(const std::wstring& path, const std::vector<ProxyProfile>& profiles)
{
    ProfileListOptions options;
    options.StorePath = path;
    options.Monitor = MonitorStart::DontStart;
    options.Import = ConnectionImport::Skip;
    ProfileList writer(options);
    for (const ProxyProfile& profile : profiles)
        writer.Put(profile);
    return writer.Save() == ProfileList::Saved;
}

// Writes the five options from a thread of its own, the way another program changes them;
// a null connection is the LAN connection.
inline bool Write(const ProxyProfile& settings, const wchar_t* connection = nullptr)
{
    bool written = false;
    std::thread writer([&] {
        std::wstring url = settings.AutoConfigUrl;
        std::wstring bypass = settings.ProxyBypass;
        std::wstring server = settings.ProxyServer;
        std::wstring name = connection ? connection : L"";
        INTERNET_PER_CONN_OPTIONW options[5] = {};
        options[0].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
        options[0].Value.pszValue = url.empty() ? nullptr : url.data();
        options[1].dwOption = INTERNET_PER_CONN_AUTODISCOVERY_FLAGS;
        options[1].Value.dwValue = settings.AutoDiscoveryFlags;
        options[2].dwOption = INTERNET_PER_CONN_FLAGS;
        options[2].Value.dwValue = settings.ConnectionFlags;
        options[3].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
        options[3].Value.pszValue = bypass.empty() ? nullptr : bypass.data();
        options[4].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
        options[4].Value.pszValue = server.empty() ? nullptr : server.data();
        INTERNET_PER_CONN_OPTION_LISTW list = {};
        list.dwSize = sizeof(list);
        list.pszConnection = connection ? name.data() : nullptr;
        list.dwOptionCount = 5;
        list.pOptions = options;
        written = InternetSetOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list)) != FALSE;
    });
    writer.join();
    return written;
}

// The proxy servers of the profiles written to the LAN connection, from the stand-in's log;
// "(null)" for a profile without one.
inline std::vector<std::wstring> AppliedServers(const std::vector<std::wstring>& calls)
{
    std::vector<std::wstring> servers;
    for (const std::wstring& call : calls) {
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

// Follows the monitor thread's passes through the list's pass hook (Hook() into the options).
class PassWatch {
public:
    [[nodiscard]] std::function<void(std::uint64_t)> Hook()
    {
        return [this](std::uint64_t passes) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_passes = passes;
            m_changed.notify_all();
        };
    }
    [[nodiscard]] std::uint64_t Passes()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_passes;
    }
    // Waits until this many more passes have ended; false when they did not within the time.
    [[nodiscard]] bool WaitForMore(std::uint64_t more, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const std::uint64_t target = m_passes + more;
        return m_changed.wait_for(lock, limit, [&] { return m_passes >= target; });
    }
    // Waits until this many more passes that look at the adapters (the fifth, then every
    // fourth) have ended.
    [[nodiscard]] bool WaitForAdapterChecks(int checks, std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        std::uint64_t target = m_passes;
        for (int seen = 0; seen < checks;) {
            if (++target >= 5 && target % 4 == 1)
                ++seen;
        }
        return m_changed.wait_for(lock, limit, [&] { return m_passes >= target; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_passes = 0;
};

// A message-only window of the calling thread; Take() gives the profile messages that arrived,
// each with the name of the profile it carries (empty when the entry is gone).
class MessageWindow {
public:
    MessageWindow()
        : m_window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
    }
    ~MessageWindow()
    {
        if (m_window)
            DestroyWindow(m_window);
    }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    [[nodiscard]] HWND Get() const { return m_window; }

    std::vector<std::pair<UINT, std::wstring>> Take(ProfileList& list)
    {
        std::vector<std::pair<UINT, std::wstring>> messages;
        MSG msg;
        while (PeekMessageW(&msg, m_window, WM_PROFILE_CHANGED, WM_PROFILE_ACTIVATED, PM_REMOVE)) {
            const auto profile = list.FindById(static_cast<std::uint64_t>(msg.wParam));
            messages.emplace_back(msg.message, profile ? profile->Name : std::wstring());
        }
        return messages;
    }

private:
    HWND m_window;
};

} // namespace OutsideSettings
