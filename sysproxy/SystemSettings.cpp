#include "sysproxy/SystemSettings.h"

#include "profiles/ProfileList.h"

// Filled in with the reading of the system's settings.
void CaptureSystemSettings(ProxyProfile&) {}

void ImportConnections(ProfileList& list)
{
    ProxyProfile& snapshot = list.Snapshot();
    snapshot.Clear();
    CaptureSystemSettings(snapshot);
    snapshot.Name = list.FindNameBySettings(snapshot);
}
