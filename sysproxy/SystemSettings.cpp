#include "sysproxy/SystemSettings.h"

#include "base/UniqueHandle.h"

#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

namespace {

// WinINet hands its strings over in GlobalAlloc memory that the caller releases.
struct WinInetStringTraits {
    using Type = LPWSTR;
    static Type Empty() { return nullptr; }
    static bool Holds(Type text) { return text != nullptr; }
    static void Close(Type text) { GlobalFree(text); }
};
using WinInetString = UniqueHandle<WinInetStringTraits>;

constexpr const wchar_t* kConnectionsKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
// Large enough for any registry value name, so that no name ends the enumeration early.
constexpr DWORD kValueNameChars = 16384;

// Reads one connection's five options into the profile; a null name is the LAN connection.
// A failed query leaves the profile as it was.
bool QueryConnection(const wchar_t* connection, ProxyProfile& profile)
{
    INTERNET_PER_CONN_OPTIONW options[5] = {};
    options[0].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
    options[1].dwOption = INTERNET_PER_CONN_AUTODISCOVERY_FLAGS;
    options[2].dwOption = INTERNET_PER_CONN_FLAGS;
    options[3].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    options[4].dwOption = INTERNET_PER_CONN_PROXY_SERVER;

    std::wstring name = connection ? std::wstring(connection) : std::wstring();
    INTERNET_PER_CONN_OPTION_LISTW list = {};
    list.dwSize = sizeof(list);
    list.pszConnection = connection ? name.data() : nullptr;
    list.dwOptionCount = 5;
    list.dwOptionError = 0;
    list.pOptions = options;
    DWORD length = sizeof(list);
    if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &length))
        return false;

    const WinInetString autoConfigUrl(options[0].Value.pszValue);
    const WinInetString bypass(options[3].Value.pszValue);
    const WinInetString server(options[4].Value.pszValue);
    profile.AutoDiscoveryFlags = options[1].Value.dwValue;
    profile.ConnectionFlags = options[2].Value.dwValue;
    if ((profile.ConnectionFlags & kProxyTypeAutoProxyUrl) && autoConfigUrl)
        profile.AutoConfigUrl = autoConfigUrl.Get();
    if (bypass)
        profile.ProxyBypass = bypass.Get();
    if (server)
        profile.ProxyServer = server.Get();
    return true;
}

std::wstring AsciiLower(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// The names of the connections the system stores, lower-cased, in enumeration order.
std::vector<std::wstring> StoredConnectionNames()
{
    std::vector<std::wstring> names;
    // Read access only: the key is never written, and a user who may not write it still has
    // connections worth importing.
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        static_cast<void>(key.Release());  // what a failed call leaves there is no key
        return names;
    }
    std::vector<wchar_t> buffer(kValueNameChars);
    for (DWORD index = 0;; ++index) {
        DWORD chars = kValueNameChars;
        DWORD type = 0;
        const LSTATUS status =
            RegEnumValueW(key.Get(), index, buffer.data(), &chars, nullptr, &type, nullptr, nullptr);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        if (type != REG_BINARY)
            continue;
        std::wstring name = AsciiLower(std::wstring(buffer.data(), chars));
        if (name != L"savedlegacysettings")
            names.push_back(std::move(name));
    }
    return names;
}

} // namespace

bool CaptureSystemSettings(ProxyProfile& profile)
{
    return QueryConnection(nullptr, profile);
}

void ImportConnections(ProfileCollection& profiles, SettingsSnapshot& snapshot)
{
    for (const std::wstring& connection : StoredConnectionNames()) {
        ProxyProfile profile;
        if (!QueryConnection(connection.c_str(), profile))
            continue;
        profile.Name = profiles.UniqueUnnamedName();
        profiles.PutUnlessSameSettings(profile);
    }

    SettingsSnapshot::Locked locked = snapshot.Lock();
    ProxyProfile& first = locked.Settings();
    first.Clear();
    CaptureSystemSettings(first);
    first.Name = profiles.FindNameBySettings(first);
}
