#pragma once
#include <windows.h>

// The thread procedure that tracks the system's settings and the adapters' addresses; its
// parameter is the ProfileList. It ends when the list's stop flag is set.
DWORD WINAPI MonitorThread(void* profileList);
