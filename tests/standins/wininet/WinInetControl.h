#pragma once
// Test-side access to the WinINet stand-in's state (see StandInState.h).
#include <string>
#include <vector>

namespace WinInetControl {

// Forgets every stored option, the call log and the failure switch.
void Reset();
// One line per InternetSetOptionW call since the last Reset, oldest first.
std::vector<std::wstring> Calls();
void ClearCalls();
// Makes every following per-connection set fail (as a locked-down system would) or succeed.
void SetFailing(bool failing);

} // namespace WinInetControl
