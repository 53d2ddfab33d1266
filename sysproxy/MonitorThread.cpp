#include "sysproxy/MonitorThread.h"

#include "profiles/ProfileList.h"

// Filled in with the adapter check and the settings tracking.
DWORD WINAPI MonitorThread(void* profileList)
{
    auto* list = static_cast<ProfileList*>(profileList);
    while (!list->StopRequested())
        Sleep(list->MonitorPeriodMs());
    return 0;
}
