#pragma once
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

// The few IP helper functions that the adapter list and the address notices use, from
// iphlpapi.dll loaded on their first call: only the monitor thread and the editor's adapter list
// need them, and the program's start-up does not pay for the library. Where it cannot be loaded
// they fail as the system's own would.
namespace IpHelper {

[[nodiscard]] DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapters, PULONG size);
[[nodiscard]] DWORD GetIpAddrTable(PMIB_IPADDRTABLE table, PULONG size);
[[nodiscard]] DWORD NotifyAddrChange(PHANDLE handle, LPOVERLAPPED overlapped);
[[nodiscard]] BOOL CancelIPChangeNotify(LPOVERLAPPED overlapped);

} // namespace IpHelper
