#pragma once
#include "profiles/ProxyProfile.h"

// Writes the profile's five options to the LAN connection and tells WinINet they changed.
// Returns false, having sent no notification, when WinINet refuses the options; the caller
// then shows ShowApplyFailure, once it holds no lock that the box's modal loop could need.
[[nodiscard]] bool ApplyProfile(const ProxyProfile& profile);
// Shows the user that a profile could not be made the system's settings.
void ShowApplyFailure(const ProxyProfile& profile);
