#pragma once
// Test-side access to the WinINet stand-in's state (see StandInState.h).
#include "standins/wininet/CacheEntry.h"

#include <string>
#include <vector>

namespace WinInetControl {

// Forgets every stored option, the call log and every switch.
void Reset();
// One line per InternetSetOptionW call since the last Reset, oldest first.
std::vector<std::wstring> Calls();
void ClearCalls();
// Makes every following per-connection set fail (as a locked-down system would) or succeed.
void SetFailing(bool failing);
// Makes every following per-connection query fail, as a WinINet that cannot read its settings does.
void SetQueryFailing(bool failing);
// Holds every following per-connection query inside the call until the named event is set, after
// logging "QueryOption 75 held" in Calls(); an empty name holds none.
void HoldQueries(const std::wstring& eventName);

// Replaces the URL cache with these entries, enumerated in this order.
void SeedCache(const std::vector<CacheEntry>& entries);
// The source URLs of the entries left in the URL cache, in order.
std::vector<std::wstring> CacheUrls();
// Per-connection queries answered since the last Reset.
int Queries();
// Cache enumerations opened and not yet closed since the last Reset.
int OpenCacheFinds();

} // namespace WinInetControl
