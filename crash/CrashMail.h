#pragma once
// The report mail: the user's words and the three crash files, to the report mailboxes.
#include "base/FieldValue.h"
#include "crash/ReportChannel.h"
#include "mail/MailMessage.h"

#include <string>

struct CrashFiles {
    std::wstring Log;
    std::wstring Dump;
    std::wstring Report;
};

// Fills the message from the crash page's fields ("email", "action"); a file that cannot be read
// is left out.
void ComposeCrashMail(KEMail::MailMessage& message, const FieldMap& fields, const CrashFiles& files,
                      const ReportChannel& channel);

// Composes and sends through the channel's server; false when it could not be delivered.
[[nodiscard]] bool SendCrashMail(const FieldMap& fields, const CrashFiles& files, const ReportChannel& channel);
