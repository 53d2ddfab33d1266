#pragma once
#include "profiles/ProfileCollection.h"
#include "profiles/ProxyProfile.h"
#include "sysproxy/SettingsSnapshot.h"

// Fills the five setting fields of a (cleared) profile from the LAN connection's options; false,
// leaving the profile as it was, when the query fails.
bool CaptureSystemSettings(ProxyProfile& profile);
// Takes the system's stored connections in as unnamed profiles, then the first snapshot.
void ImportConnections(ProfileCollection& profiles, SettingsSnapshot& snapshot);
