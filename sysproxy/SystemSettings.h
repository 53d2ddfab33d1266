#pragma once
#include "profiles/ProxyProfile.h"

class ProfileList;

// Fills the five setting fields of a (cleared) profile from the LAN connection's options; false,
// leaving the profile as it was, when the query fails.
bool CaptureSystemSettings(ProxyProfile& profile);
// Takes the system's stored connections in as unnamed profiles, then the list's first snapshot.
void ImportConnections(ProfileList& list);
