// Writes a store of sample profiles into the user's Gatewarden folder, for screenshots and by-hand
// runs:
//   MakeStore.exe empty       no store at all
//   MakeStore.exe three       Home, Office (the system's current settings) and Lab
//   MakeStore.exe <count>     that many profiles, "Profile 001" ..., the first holding the settings,
//                             every third with a configuration script too
#include "diag/AppFolders.h"
#include "profiles/StoreFile.h"
#include "sysproxy/SystemSettings.h"

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

ProxyProfile Make(const std::wstring& name, std::uint32_t flags, const std::wstring& server,
                  const std::wstring& bypass, const std::wstring& script)
{
    ProxyProfile profile;
    profile.Name = name;
    profile.ConnectionFlags = flags;
    profile.ProxyServer = server;
    profile.ProxyBypass = bypass;
    profile.AutoConfigUrl = script;
    return profile;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring what = argc > 1 ? argv[1] : L"three";
    EnsureAppFolder(L"Gatewarden");
    const std::wstring path = GetAppDataFolder() + L"\\Gatewarden\\proxies.kpp";
    if (what == L"empty") {
        DeleteFileW(path.c_str());
        return 0;
    }
    // The system's settings as they are, so that one profile is the active one.
    ProxyProfile current;
    CaptureSystemSettings(current);
    std::vector<ProxyProfile> profiles;
    if (what == L"three") {
        current.Name = L"Office";
        profiles.push_back(Make(L"Home", PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_DETECT, L"", L"", L""));
        profiles.push_back(current);
        profiles.push_back(Make(L"Lab", PROXY_TYPE_PROXY,
                                L"http=lab-proxy.example.net:8080;https=lab-proxy.example.net:8443",
                                L"<local>;*.lab.example.net;10.*", L""));
        profiles.push_back(Make(L"Roaming", PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_DIRECT, L"", L"",
                                L"http://wpad.example.com/proxy.pac"));
    } else {
        const int count = static_cast<int>(std::wcstol(what.c_str(), nullptr, 10));
        for (int i = 1; i <= count; ++i) {
            wchar_t name[32];
            std::swprintf(name, std::size(name), L"Profile %03d", i);
            const bool script = i % 3 == 0;
            ProxyProfile profile =
                i == 1 ? current
                       : Make(L"", PROXY_TYPE_PROXY | (script ? PROXY_TYPE_AUTO_PROXY_URL : 0),
                              L"proxy" + std::to_wstring(i) + L".example.com:3128", L"<local>;*.intranet.example.com",
                              script ? L"http://wpad.example.com/proxy-" + std::to_wstring(i) + L".pac" : L"");
            profile.Name = name;
            profiles.push_back(profile);
        }
    }
    if (!WriteStoreFile(path, profiles)) {
        std::fwprintf(stderr, L"MakeStore: cannot write %ls\n", path.c_str());
        return 1;
    }
    return 0;
}
