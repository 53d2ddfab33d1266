#include "profiles/ProxyProfile.h"

#include <cwctype>
#include <limits>

namespace {

constexpr std::array<const wchar_t*, kProxyProtocolCount> kSchemes = {L"http", L"https", L"ftp", L"gopher", L"socks"};
constexpr std::array<const wchar_t*, kProxyProtocolCount> kHostKeys = {L"HHTPPROXY", L"HHTPSPROXY", L"FTPPROXY",
                                                                       L"GOPHERPROXY", L"SOCKSPROXY"};
constexpr wchar_t kLocal[] = L"<local>";
constexpr std::size_t kLocalLength = 7;

std::wstring Trim(const std::wstring& text)
{
    const auto isSpace = [](wchar_t c) { return std::iswspace(c) != 0; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isSpace(text[first]))
        ++first;
    while (last > first && isSpace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

HostPort SplitHostPort(const std::wstring& value)
{
    const auto colon = value.rfind(L':');
    if (colon == std::wstring::npos)
        return {value, L""};
    return {value.substr(0, colon), value.substr(colon + 1)};
}

bool EqualsNoCase(const std::wstring& text, const wchar_t* ascii)
{
    std::size_t i = 0;
    for (; i < text.size() && ascii[i]; ++i) {
        if (std::towlower(text[i]) != static_cast<std::wint_t>(ascii[i]))
            return false;
    }
    return i == text.size() && ascii[i] == L'\0';
}

void TakeEntry(const std::wstring& entry, ProxyServerParts& parts)
{
    const auto equals = entry.find(L'=');
    if (equals == std::wstring::npos)
        return;
    const std::wstring scheme = entry.substr(0, equals);
    for (std::size_t i = 0; i < kProxyProtocolCount; ++i) {
        if (EqualsNoCase(scheme, kSchemes[i])) {
            parts.Servers[i] = SplitHostPort(entry.substr(equals + 1));
            return;
        }
    }
}

// The decimal digits the text starts with; none gives 0. No blanks or signs: "-1" and " 2" are 0.
// A number too large for an int stays at the largest one.
int LeadingNumber(const std::wstring& text)
{
    constexpr int kLargest = std::numeric_limits<int>::max();
    int value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9')
            break;
        const int digit = c - L'0';
        value = value > (kLargest - digit) / 10 ? kLargest : value * 10 + digit;
    }
    return value;
}

} // namespace

bool ProxyProfile::SameSettings(const ProxyProfile& other) const
{
    return ProxyServer == other.ProxyServer && ProxyBypass == other.ProxyBypass &&
           AutoConfigUrl == other.AutoConfigUrl && ConnectionFlags == other.ConnectionFlags;
}

void ProxyProfile::BuildServerString(const std::array<std::wstring, kProxyProtocolCount>& entries)
{
    ProxyServer.clear();
    for (std::size_t i = 0; i < kProxyProtocolCount; ++i)
        ProxyServer += std::wstring(kSchemes[i]) + L"=" + Trim(entries[i]) + L";";
}

ProxyServerParts ProxyProfile::ParseServerString(const std::wstring& text)
{
    ProxyServerParts parts;
    if (text.find(L';') == std::wstring::npos) {
        if (text.find(L'=') == std::wstring::npos)
            parts.Servers[0] = SplitHostPort(text);
        else
            TakeEntry(text, parts);
    } else {
        std::size_t start = 0;
        while (start < text.size()) {
            auto end = text.find(L';', start);
            if (end == std::wstring::npos)
                end = text.size();
            TakeEntry(text.substr(start, end - start), parts);
            start = end + 1;
        }
    }
    parts.UseOne = true;
    for (const HostPort& server : parts.Servers)
        parts.UseOne = parts.UseOne && server == parts.Servers[0];
    return parts;
}

std::wstring ProxyProfile::ServerSummary() const
{
    const ProxyServerParts parts = ParseServerString(ProxyServer);
    const HostPort& http = parts.Of(ProxyProtocol::Http);
    if (parts.UseOne)
        return http.Host.empty() ? std::wstring() : http.Host + L":" + http.Port;
    bool anyHost = false;
    for (const HostPort& server : parts.Servers)
        anyHost = anyHost || !server.Host.empty();
    if (!anyHost)
        return http.Host + L":" + http.Port;
    std::wstring summary;
    for (std::size_t i = 0; i < kProxyProtocolCount; ++i) {
        const HostPort& server = parts.Servers[i];
        if (server.Host.empty())
            continue;
        summary += std::wstring(kSchemes[i]) + L"=" + server.Host;
        if (!server.Port.empty())
            summary += L":" + server.Port;
        summary += L";";
    }
    return summary;
}

void ProxyProfile::ToFieldMap(FieldMap& fields) const
{
    fields.Set(L"DISPLAY_NAME", Name);
    fields.Set(L"PROXY_TYPE_AUTO_DETECT", (ConnectionFlags & kProxyTypeAutoDetect) != 0);
    fields.Set(L"PROXY_TYPE_AUTO_PROXY_URL", !AutoConfigUrl.empty());
    fields.Set(L"AUTOCONFIG_URL", AutoConfigUrl);
    fields.Set(L"DONT_CACHE_PROXY_RESULT", (AutoDiscoveryFlags & kAutoProxyFlagDontCacheProxyResult) != 0);
    fields.Set(L"USE_PROXY", (ConnectionFlags & kProxyTypeProxy) != 0);

    const ProxyServerParts parts = ParseServerString(ProxyServer);
    for (std::size_t i = 0; i < kProxyProtocolCount; ++i) {
        fields.Set(kHostKeys[i], parts.Servers[i].Host);
        fields.Set(std::wstring(kHostKeys[i]) + L"_PORT", parts.Servers[i].Port);
    }
    fields.Set(L"USE_ONE_PROXY", parts.UseOne);

    // Every "<local>" is cut, not only the first: one left in the text would be stored back beside
    // the one the check box adds, and the list would grow at each unchanged edit.
    std::wstring bypass = ProxyBypass;
    for (auto local = bypass.find(kLocal); local != std::wstring::npos; local = bypass.find(kLocal))
        bypass.erase(local, kLocalLength);
    fields.Set(L"BYPASS_LOCAL", bypass.size() != ProxyBypass.size());
    fields.Set(L"BYPASS", bypass);

    fields.Set(L"PROXY_AUTO_ACTIVATE", !NdisName.empty());
    const wchar_t* ipKeys[] = {L"AUTO_IP_1", L"AUTO_IP_2", L"AUTO_IP_3", L"AUTO_IP_4"};
    if (NdisName.empty()) {
        fields.Set(L"AUTO_NDIS_NAME", 0);
        for (const wchar_t* key : ipKeys)
            fields.Set(key, 0);
        return;
    }
    fields.Set(L"NDIS_NAME", NdisName);
    std::size_t start = 0;
    for (const wchar_t* key : ipKeys) {
        const auto dot = AutoIp.find(L'.', start);
        const std::wstring part = start <= AutoIp.size() ? AutoIp.substr(start, dot - start) : std::wstring();
        fields.Set(key, LeadingNumber(part));
        start = dot == std::wstring::npos ? AutoIp.size() + 1 : dot + 1;
    }
}

ProxyProfile ProxyProfile::FromFieldMap(const FieldMap& fields)
{
    ProxyProfile profile;
    profile.ConnectionFlags = kProxyTypeDirect;
    profile.Name = fields.Get(L"DISPLAY_NAME").AsString();
    if (fields.Get(L"PROXY_TYPE_AUTO_DETECT").AsBool())
        profile.ConnectionFlags |= kProxyTypeAutoDetect;
    if (fields.Get(L"PROXY_TYPE_AUTO_PROXY_URL").AsBool()) {
        profile.ConnectionFlags |= kProxyTypeAutoProxyUrl;
        profile.AutoConfigUrl = fields.Get(L"AUTOCONFIG_URL").AsString();
    }
    if (fields.Get(L"DONT_CACHE_PROXY_RESULT").AsBool())
        profile.AutoDiscoveryFlags |= kAutoProxyFlagDontCacheProxyResult;

    if (fields.Get(L"USE_PROXY").AsBool()) {
        profile.ConnectionFlags |= kProxyTypeProxy;
        std::array<std::wstring, kProxyProtocolCount> entries;
        for (std::size_t i = 0; i < kProxyProtocolCount; ++i) {
            entries[i] = fields.Get(kHostKeys[i]).AsString();
            const std::wstring port = Trim(fields.Get(std::wstring(kHostKeys[i]) + L"_PORT").AsString());
            if (!port.empty())
                entries[i] += L":" + port;
        }
        if (fields.Get(L"USE_ONE_PROXY").AsBool())
            entries.fill(entries[0]);
        profile.BuildServerString(entries);

        profile.ProxyBypass = fields.Get(L"BYPASS").AsString();
        if (fields.Get(L"BYPASS_LOCAL").AsBool()) {
            if (profile.ProxyBypass.empty() || profile.ProxyBypass.back() == L';')
                profile.ProxyBypass += kLocal;
            else
                profile.ProxyBypass += std::wstring(L";") + kLocal;
        }
    }

    if (fields.Get(L"PROXY_AUTO_ACTIVATE").AsBool()) {
        profile.NdisName = fields.Get(L"NDIS_NAME").AsString();
        profile.AutoIp = std::to_wstring(fields.Get(L"AUTO_IP_1").AsInt()) + L"." +
                         std::to_wstring(fields.Get(L"AUTO_IP_2").AsInt()) + L"." +
                         std::to_wstring(fields.Get(L"AUTO_IP_3").AsInt()) + L"." +
                         std::to_wstring(fields.Get(L"AUTO_IP_4").AsInt());
    }
    return profile;
}
