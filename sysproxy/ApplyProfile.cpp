#include "sysproxy/ApplyProfile.h"

#include <windows.h>
#include <wininet.h>

#include <string>

bool ApplyProfile(const ProxyProfile& profile)
{
    // WinINet takes non-const strings; these copies live until the calls return.
    std::wstring autoConfigUrl = profile.AutoConfigUrl;
    std::wstring bypass = profile.ProxyBypass;
    std::wstring server = profile.ProxyServer;

    INTERNET_PER_CONN_OPTIONW options[5] = {};
    options[0].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
    options[0].Value.pszValue = (profile.ConnectionFlags & kProxyTypeAutoProxyUrl) ? autoConfigUrl.data() : nullptr;
    options[1].dwOption = INTERNET_PER_CONN_AUTODISCOVERY_FLAGS;
    options[1].Value.dwValue = profile.AutoDiscoveryFlags | kAutoProxyFlagUserSet;
    options[2].dwOption = INTERNET_PER_CONN_FLAGS;
    options[2].Value.dwValue = profile.ConnectionFlags;
    options[3].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    options[3].Value.pszValue = bypass.empty() ? nullptr : bypass.data();
    options[4].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[4].Value.pszValue = server.empty() ? nullptr : server.data();

    INTERNET_PER_CONN_OPTION_LISTW list = {};
    list.dwSize = sizeof(list);
    list.pszConnection = nullptr;  // the LAN connection
    list.dwOptionCount = 5;
    list.dwOptionError = 0;
    list.pOptions = options;

    if (!InternetSetOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list)))
        return false;
    InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    InternetSetOptionW(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
    return true;
}

std::optional<ProxyProfile> ApplyStored(ProfileCollection& profiles, const std::wstring& name)
{
    const ProfileCollection::Locked locked = profiles.Lock();
    const ProxyProfile* found = locked.Find(name);
    if (name.empty() || found == nullptr || ApplyProfile(*found))
        return std::nullopt;
    return *found;
}
