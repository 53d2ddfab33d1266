#include "app/TheProfileList.h"

#include "app/StatusLog.h"
#include "views/ProfileFlows.h"

ProfileList& TheProfileList()
{
    static ProfileList list([] {
        ProfileListOptions options;
        options.Status = &TheStatusLog();
        options.Monitoring.ApplyFailed = ShowApplyFailure;
        return options;
    }());
    return list;
}
