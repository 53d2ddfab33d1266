#include "app/TheProfileList.h"

#include "app/StatusLog.h"
#include "views/ProfileFlows.h"

ProfileList& TheProfileList()
{
    static ProfileList list([] {
        ProfileListOptions options;
        options.Status = &TheStatusLog();
        options.Monitoring.ApplyFailed = ShowApplyFailure;
        // The window shows first: the monitor's first look comes a period later in any case.
        options.Monitor = MonitorStart::Later;
        return options;
    }());
    return list;
}
