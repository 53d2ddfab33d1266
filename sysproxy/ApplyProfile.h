#pragma once
#include "profiles/ProxyProfile.h"

// Writes the profile's five options to the LAN connection and tells WinINet they changed.
// Returns false, having sent no notification, when WinINet refuses the options.
[[nodiscard]] bool WriteProfileToSystem(const ProxyProfile& profile);
// Shows the user that a profile could not be made the system's settings.
void ShowApplyFailure(const ProxyProfile& profile);
// WriteProfileToSystem, with the failure box when it fails.
void ApplyProfile(const ProxyProfile& profile);
