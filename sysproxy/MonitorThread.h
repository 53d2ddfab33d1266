#pragma once
#include <windows.h>

// The thread procedure that tracks the system's settings and the adapters' addresses. Its
// parameter is a ProfileList handle allocated with new, which the thread owns and deletes: it
// shares the list's state, so the thread may outlive the list that started it. It ends when the
// list's stop flag is set.
DWORD WINAPI MonitorThread(void* profileList);
