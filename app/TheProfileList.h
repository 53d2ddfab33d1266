#pragma once
#include "sysproxy/ProfileList.h"

// The process-wide profile list: its store's reports go to the main window's status panel and
// an auto-activation that WinINet refuses is shown in a box. Made on first use, which the entry
// function makes right after the single-instance check: the list reads the store and the system's
// settings, which only the one instance that runs may touch.
ProfileList& TheProfileList();
