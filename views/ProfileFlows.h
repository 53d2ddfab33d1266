#pragma once
#include "sysproxy/ProfileList.h"

#include <string>

// The flows behind the profile commands that show a window. Each runs on the user-interface
// thread and returns once the list is up to date.

// The editor opened on a new profile; on OK the profile stored, the store saved and the main
// view told. The new profile is not applied.
void AddProfile(ProfileList& list);
// Edits the named profile (the main view's current row); nothing for an empty or unknown name.
// On OK an edited active profile is applied again.
void EditProfile(ProfileList& list, const std::wstring& name);
// Applies the named profile; a refusal is shown in a box once no lock is held.
void ActivateProfile(ProfileList& list, const std::wstring& name);
// Tells the user that a profile could not be made the system's settings.
void ShowApplyFailure(const ProxyProfile& profile);
