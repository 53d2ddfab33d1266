#pragma once
#include <string>
#include <vector>

// One network adapter as auto-activation sees it.
struct Adapter {
    std::wstring Name;     // the description, cut before its first " - "
    std::wstring Address;  // the first IPv4 address the system lists for it
};

// Every adapter in the system's order, duplicates included; empty when they cannot be read.
[[nodiscard]] std::vector<Adapter> ReadAdapters();
// The names of ReadAdapters, into a list emptied first.
void ListAdapters(std::vector<std::wstring>& names);
// The address of the first adapter with exactly this name; empty for an empty or unknown name.
[[nodiscard]] std::wstring AdapterAddress(const std::wstring& name);
[[nodiscard]] std::wstring AdapterAddress(const std::vector<Adapter>& adapters, const std::wstring& name);
// "Fast Ethernet Adapter - Packet Scheduler Miniport" names the adapter "Fast Ethernet Adapter".
[[nodiscard]] std::wstring AdapterNameFromDescription(const std::wstring& description);
