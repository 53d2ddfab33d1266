// Built with the channel's values as definitions; a build for tests compiles this file again
// with a channel of its own.
#include "crash/ReportChannel.h"

#define GW_WIDE2(text) L##text
#define GW_WIDE(text) GW_WIDE2(text)

const ReportChannel& TheReportChannel()
{
    static const ReportChannel channel{GW_WIDE(GW_REPORT_SMTP_HOST), GW_REPORT_SMTP_PORT, GW_WIDE(GW_REPORT_MAILBOX),
                                       GW_WIDE(GW_REPORT_MAILBOX2), GW_WIDE(GW_REPORT_SENDER),
                                       GW_WIDE(GW_REPORT_PASSWORD)};
    return channel;
}
