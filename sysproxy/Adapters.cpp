#include "sysproxy/Adapters.h"

#include "sysproxy/IpHelper.h"

#include <cstring>

namespace {

// Adapter data comes in the system's ANSI code page.
std::wstring FromAnsi(const char* text, std::size_t capacity)
{
    const std::size_t length = strnlen(text, capacity);
    if (length == 0)
        return {};
    const int chars = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide.data(), chars);
    return wide;
}

} // namespace

std::wstring AdapterNameFromDescription(const std::wstring& description)
{
    const std::size_t cut = description.find(L" - ");
    return cut == std::wstring::npos ? description : description.substr(0, cut);
}

std::vector<Adapter> ReadAdapters()
{
    std::vector<Adapter> adapters;
    // Records hold pointers to each other: keep the buffer aligned as the records are.
    std::vector<IP_ADAPTER_INFO> buffer(1);
    ULONG size = sizeof(IP_ADAPTER_INFO);
    DWORD result = IpHelper::GetAdaptersInfo(buffer.data(), &size);
    if (result == ERROR_BUFFER_OVERFLOW) {
        std::vector<IP_ADAPTER_INFO> larger(size / sizeof(IP_ADAPTER_INFO) + 1);
        buffer.swap(larger);
        size = static_cast<ULONG>(buffer.size() * sizeof(IP_ADAPTER_INFO));
        result = IpHelper::GetAdaptersInfo(buffer.data(), &size);
    }
    if (result != NO_ERROR)
        return adapters;
    for (const IP_ADAPTER_INFO* info = buffer.data(); info; info = info->Next) {
        Adapter adapter;
        adapter.Name = AdapterNameFromDescription(FromAnsi(info->Description, sizeof(info->Description)));
        adapter.Address = FromAnsi(info->IpAddressList.IpAddress.String, sizeof(info->IpAddressList.IpAddress.String));
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

void ListAdapters(std::vector<std::wstring>& names)
{
    names.clear();
    for (Adapter& adapter : ReadAdapters())
        names.push_back(std::move(adapter.Name));
}

std::wstring AdapterAddress(const std::vector<Adapter>& adapters, const std::wstring& name)
{
    if (name.empty())
        return {};
    for (const Adapter& adapter : adapters) {
        if (adapter.Name == name)
            return adapter.Address;
    }
    return {};
}

std::wstring AdapterAddress(const std::wstring& name)
{
    return name.empty() ? std::wstring() : AdapterAddress(ReadAdapters(), name);
}
