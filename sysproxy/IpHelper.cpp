#include "sysproxy/IpHelper.h"

#include "base/SystemLibrary.h"

namespace {

struct Functions {
    decltype(&::GetAdaptersInfo) GetAdaptersInfo = nullptr;
    decltype(&::GetIpAddrTable) GetIpAddrTable = nullptr;
    decltype(&::NotifyAddrChange) NotifyAddrChange = nullptr;
    decltype(&::CancelIPChangeNotify) CancelIPChangeNotify = nullptr;
};

const Functions& Loaded()
{
    // The library stays loaded to the end of the process: the monitor thread may still be
    // inside it when static destruction runs.
    static const Functions functions =
        SystemLibrary::Table<Functions>(L"iphlpapi.dll", [](HMODULE module, Functions& found) {
            SystemLibrary::Find(module, "GetAdaptersInfo", found.GetAdaptersInfo);
            SystemLibrary::Find(module, "GetIpAddrTable", found.GetIpAddrTable);
            SystemLibrary::Find(module, "NotifyAddrChange", found.NotifyAddrChange);
            SystemLibrary::Find(module, "CancelIPChangeNotify", found.CancelIPChangeNotify);
        });
    return functions;
}

} // namespace

namespace IpHelper {

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapters, PULONG size)
{
    const auto function = Loaded().GetAdaptersInfo;
    return function != nullptr ? function(adapters, size) : ERROR_NOT_SUPPORTED;
}

DWORD GetIpAddrTable(PMIB_IPADDRTABLE table, PULONG size)
{
    const auto function = Loaded().GetIpAddrTable;
    return function != nullptr ? function(table, size, FALSE) : ERROR_NOT_SUPPORTED;
}

DWORD NotifyAddrChange(PHANDLE handle, LPOVERLAPPED overlapped)
{
    const auto function = Loaded().NotifyAddrChange;
    return function != nullptr ? function(handle, overlapped) : ERROR_NOT_SUPPORTED;
}

BOOL CancelIPChangeNotify(LPOVERLAPPED overlapped)
{
    const auto function = Loaded().CancelIPChangeNotify;
    return function != nullptr && function(overlapped);
}

} // namespace IpHelper
