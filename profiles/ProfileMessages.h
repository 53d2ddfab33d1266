#pragma once
#include <windows.h>

// Posted to the notify window. wParam is the profile's entry id (ProfileCollection::FindId), never an
// address: the receiver asks the list again with ProfileCollection::FindById, which gives nothing once
// the entry was removed. lParam is 0.
constexpr UINT WM_PROFILE_CHANGED = WM_USER + 2;
constexpr UINT WM_PROFILE_ADDED = WM_USER + 3;
constexpr UINT WM_PROFILE_ACTIVATED = WM_USER + 4;
