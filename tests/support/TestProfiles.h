#pragma once
// Profiles and store files as the tests make them.
#include "profiles/ProxyProfile.h"

#include <cstdint>
#include <string>
#include <vector>

// A profile with a proxy server (the flags of a proxy unless given) and, when given, the
// adapter and address of its auto-activation rule; every other field empty.
inline ProxyProfile TestProfile(const std::wstring& name, const std::wstring& server, std::uint32_t flags = 0x3,
                                const std::wstring& adapter = L"", const std::wstring& address = L"")
{
    ProxyProfile profile;
    profile.Name = name;
    profile.ProxyServer = server;
    profile.ConnectionFlags = flags;
    profile.NdisName = adapter;
    profile.AutoIp = address;
    return profile;
}

// The bytes of store files, written by hand so that a test sees the format and not the writer.
namespace StoreBytes {

inline const std::string kHeader110("KPP\x17z1.10", 9);
inline const std::string kHeader100("KPP\x17z1.00", 9);

inline std::string Number(std::uint32_t value)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    return bytes;
}

// A 1.10 string: its length in code units, then the units.
inline std::string Wide(const std::wstring& text)
{
    std::string bytes = Number(static_cast<std::uint32_t>(text.size()));
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

// A 1.00 string: its length in bytes, then the bytes.
inline std::string Ansi(const std::string& text)
{
    return Number(static_cast<std::uint32_t>(text.size())) + text;
}

inline std::string Record(const ProxyProfile& profile)
{
    return Number(profile.AutoDiscoveryFlags) + Number(profile.ConnectionFlags) + Wide(profile.Name) +
           Wide(profile.ProxyServer) + Wide(profile.ProxyBypass) + Wide(profile.AutoConfigUrl) +
           Wide(profile.NdisName) + Wide(profile.AutoIp);
}

// A whole 1.10 store as the program saves it: the empty-named entry that every loaded list keeps
// first, then these records.
inline std::string Store(const std::vector<ProxyProfile>& profiles)
{
    std::string bytes = kHeader110 + Record(ProxyProfile());
    for (const ProxyProfile& profile : profiles)
        bytes += Record(profile);
    return bytes;
}

} // namespace StoreBytes
