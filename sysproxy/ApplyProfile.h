#pragma once
#include "profiles/ProfileCollection.h"
#include "profiles/ProxyProfile.h"

#include <optional>
#include <string>

// Writes the profile's five options to the LAN connection and tells WinINet they changed.
// Returns false, having sent no notification, when WinINet refuses the options.
[[nodiscard]] bool ApplyProfile(const ProxyProfile& profile);

// Applies the named entry while holding the list lock, so that activations stay one at a time.
// Gives the profile when WinINet refused it: the caller tells the user once it holds no lock,
// since a failure box runs a modal loop that may handle a message needing one. Nothing happens
// for an unknown name or the empty-named entry, which is never applied.
[[nodiscard]] std::optional<ProxyProfile> ApplyStored(ProfileCollection& profiles, const std::wstring& name);
