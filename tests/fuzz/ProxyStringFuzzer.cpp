// Server strings and bypass lists as the profile editor moves them: a whole profile (with its
// auto-activation address) through the editor's fields, where the server string is parsed into
// its five host and port pairs, and back, where it is built again. Once written in the
// program's own form, a second trip changes nothing.
#include "AnsiCodePage.h"
#include "FuzzCheck.h"
#include "profiles/ProxyProfile.h"

#include <algorithm>
#include <array>

namespace {

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

    // Parsed into the editor's fields, built again and parsed again: what the editor wrote once
    // comes back from it unchanged. A host that holds a ":" of its own with no port after it
    // (typed so into the host field) gives its last part to the port at the next parse, as
    // WinINet's form has it: there only the other fields must come back unchanged.
    const ProxyProfile edited = ThroughTheEditor(profile);
    bool colonInHost = false;
    for (const std::wstring& text : {profile.ProxyServer, edited.ProxyServer}) {
        for (const HostPort& server : ProxyProfile::ParseServerString(text).Servers)
            colonInHost = colonInHost || server.Host.find(L':') != std::wstring::npos;
    }
    static_cast<void>(profile.ServerSummary());
    ProxyProfile again = ThroughTheEditor(edited);
    if (colonInHost)
        again.ProxyServer = edited.ProxyServer;
    FuzzCheck(again == edited, "a profile the editor wrote comes back from it unchanged");
    return 0;
}
