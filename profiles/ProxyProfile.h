#pragma once
#include "base/FieldValue.h"

#include <array>
#include <cstdint>
#include <string>

// WinINet's published bit values, as profiles store them.
constexpr std::uint32_t kProxyTypeDirect = 0x1;
constexpr std::uint32_t kProxyTypeProxy = 0x2;
constexpr std::uint32_t kProxyTypeAutoProxyUrl = 0x4;
constexpr std::uint32_t kProxyTypeAutoDetect = 0x8;
constexpr std::uint32_t kAutoProxyFlagUserSet = 0x1;
constexpr std::uint32_t kAutoProxyFlagDontCacheProxyResult = 0x10;

// The protocols of a WinINet proxy server string, in the order the string is written.
enum class ProxyProtocol { Http, Https, Ftp, Gopher, Socks };
constexpr std::size_t kProxyProtocolCount = 5;

struct HostPort {
    std::wstring Host;
    std::wstring Port;
    bool operator==(const HostPort& other) const = default;
};

struct ProxyServerParts {
    std::array<HostPort, kProxyProtocolCount> Servers;
    bool UseOne = true;  // every protocol has the same host and port

    [[nodiscard]] const HostPort& Of(ProxyProtocol protocol) const { return Servers[static_cast<std::size_t>(protocol)]; }
};

// One named set of the system's proxy settings plus its auto-activation rule.
struct ProxyProfile {
    std::wstring Name;
    std::wstring ProxyServer;
    std::wstring ProxyBypass;
    std::wstring AutoConfigUrl;
    std::wstring NdisName;
    std::wstring AutoIp;
    std::uint32_t AutoDiscoveryFlags = 0;
    std::uint32_t ConnectionFlags = 0;

    void Clear() { *this = ProxyProfile(); }
    // Settings identity: servers, bypass list, script address and connection flags.
    [[nodiscard]] bool SameSettings(const ProxyProfile& other) const;

    // Entries are "host", "host:port" or empty, in ProxyProtocol order.
    void BuildServerString(const std::array<std::wstring, kProxyProtocolCount>& entries);
    [[nodiscard]] static ProxyServerParts ParseServerString(const std::wstring& text);
    // The short text of the servers that the profile table shows.
    [[nodiscard]] std::wstring ServerSummary() const;

    void ToFieldMap(FieldMap& fields) const;
    [[nodiscard]] static ProxyProfile FromFieldMap(const FieldMap& fields);

    bool operator==(const ProxyProfile& other) const = default;
};
