// Server strings and bypass lists as the profile editor moves them: a server string parsed into
// its five host and port pairs and built again, and a whole profile through the editor's fields
// and back (with its auto-activation address). Once written in the program's own form, a second
// trip changes nothing.
#include "AnsiCodePage.h"
#include "FuzzCheck.h"
#include "profiles/ProxyProfile.h"

#include <algorithm>
#include <array>

namespace {

std::array<std::wstring, kProxyProtocolCount> Entries(const ProxyServerParts& parts)
{
    std::array<std::wstring, kProxyProtocolCount> entries;
    for (std::size_t i = 0; i < kProxyProtocolCount; ++i) {
        const HostPort& server = parts.Servers[i];
        entries[i] = server.Port.empty() ? server.Host : server.Host + L":" + server.Port;
    }
    return entries;
}

std::wstring Rebuilt(const std::wstring& server)
{
    ProxyProfile profile;
    profile.BuildServerString(Entries(ProxyProfile::ParseServerString(server)));
    return profile.ProxyServer;
}

ProxyProfile ThroughTheEditor(const ProxyProfile& profile)
{
    FieldMap fields;
    profile.ToFieldMap(fields);
    return ProxyProfile::FromFieldMap(fields);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input is lines: the server string, the bypass list, the auto-activation address.
    const std::wstring text = DecodeWindows1252({reinterpret_cast<const char*>(data), size});
    std::array<std::wstring, 3> lines;
    for (std::size_t start = 0, line = 0; start <= text.size() && line < lines.size(); ++line) {
        const std::size_t end = line + 1 < lines.size() ? std::min(text.find(L'\n', start), text.size()) : text.size();
        lines[line] = text.substr(start, end - start);
        start = end + 1;
    }
    ProxyProfile profile;
    profile.Name = L"fuzz";
    profile.ConnectionFlags = kProxyTypeDirect | kProxyTypeProxy;
    profile.ProxyServer = lines[0];
    profile.ProxyBypass = lines[1];
    profile.NdisName = L"adapter";
    profile.AutoIp = lines[2];

    // A host that holds a ":" of its own with no port after it (typed so into the host field)
    // gives its last part to the port at the next parse, as WinINet's form has it: only the
    // others must come back unchanged.
    const std::wstring once = Rebuilt(profile.ProxyServer);
    bool colonInHost = false;
    const ProxyProfile edited = ThroughTheEditor(profile);
    for (const std::wstring& text : {profile.ProxyServer, once, edited.ProxyServer}) {
        for (const HostPort& server : ProxyProfile::ParseServerString(text).Servers)
            colonInHost = colonInHost || server.Host.find(L':') != std::wstring::npos;
    }
    FuzzCheck(colonInHost || Rebuilt(once) == once, "a built server string parses and builds to itself");
    static_cast<void>(profile.ServerSummary());

    ProxyProfile again = ThroughTheEditor(edited);
    if (colonInHost)
        again.ProxyServer = edited.ProxyServer;
    FuzzCheck(again == edited, "a profile the editor wrote comes back from it unchanged");
    return 0;
}
