// Against Wine's own WinINet, which keeps only part of the per-connection options: what an
// activation leaves there is the proxy switch and the HTTP server.
#include "sysproxy/ApplyProfile.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

namespace {

struct Queried {
    DWORD Flags = 0;
    std::wstring Server;
    bool ServerIsNull = true;
};

Queried QueryLan()
{
    INTERNET_PER_CONN_OPTIONW options[2] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    INTERNET_PER_CONN_OPTION_LISTW list = {sizeof(list), nullptr, 2, 0, options};
    DWORD size = sizeof(list);
    Queried result;
    EXPECT_TRUE(InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size));
    result.Flags = options[0].Value.dwValue;
    if (options[1].Value.pszValue) {
        result.ServerIsNull = false;
        result.Server = options[1].Value.pszValue;
        GlobalFree(options[1].Value.pszValue);
    }
    return result;
}

TEST(WineWinInet, KeepsTheProxySwitchAndTheHttpServer)
{
    ProxyProfile proxy;
    proxy.Name = L"Office";
    proxy.ConnectionFlags = kProxyTypeDirect | kProxyTypeProxy;
    proxy.ProxyServer = L"office-proxy:3128";
    proxy.ProxyBypass = L"<local>";
    ASSERT_TRUE(ApplyProfile(proxy));
    Queried seen = QueryLan();
    EXPECT_TRUE(seen.Flags & PROXY_TYPE_PROXY);
    EXPECT_EQ(seen.Server, L"office-proxy:3128");

    ProxyProfile direct;
    direct.Name = L"Direct";
    direct.ConnectionFlags = kProxyTypeDirect;
    ASSERT_TRUE(ApplyProfile(direct));
    seen = QueryLan();
    EXPECT_FALSE(seen.Flags & PROXY_TYPE_PROXY);
    EXPECT_EQ(seen.Flags & PROXY_TYPE_DIRECT, static_cast<DWORD>(PROXY_TYPE_DIRECT));
}

} // namespace
