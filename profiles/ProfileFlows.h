#pragma once
#include "profiles/ProfileList.h"

#include <string>

// The flows behind the add and edit commands: the editor opened on a field map, and on OK the
// profile stored, the store saved, an edited active profile applied again, and the main view
// told. Both run on the user-interface thread and return once the list is up to date.
void AddProfile(ProfileList& profiles);
// Edits the named profile (the main view's current row); nothing for an empty or unknown name.
void EditProfile(ProfileList& profiles, const std::wstring& name);

// Saves the list; a failure is told in the status log and the log, since the change then lives
// only until the program ends.
void SaveOrReport(ProfileList& profiles);
