#include "crash/CrashMail.h"

#include "mail/KEmailException.h"
#include "mail/SmtpClient.h"

void ComposeCrashMail(KEMail::MailMessage& message, const FieldMap& fields, const CrashFiles& files,
                      const ReportChannel& channel)
{
    const std::wstring& email = fields.Get(L"email").AsString();
    const std::wstring body = L"Gatewardencrash-report. User message:\r\n" + fields.Get(L"action").AsString();
    message.AddTo(L"", channel.Mailbox);
    message.AddTo(L"", channel.Mailbox2);
    message.SetFrom(email.empty() ? std::wstring(channel.Sender) : email);
    message.SetSubject(L"Gatewarden Crash Report");
    message.SetTextBody(body);
    for (const std::wstring* path : {&files.Log, &files.Dump, &files.Report}) {
        if (!path->empty())
            message.AttachFile(*path);
    }
}

bool SendCrashMail(const FieldMap& fields, const CrashFiles& files, const ReportChannel& channel)
{
    KEMail::MailMessage message;
    ComposeCrashMail(message, fields, files, channel);
    try {
        KEMail::SmtpClient client;
        return client.Send(&message, channel.SmtpHost, channel.SmtpPort, channel.Mailbox, channel.Password);
    } catch (const KEMail::KEmailException&) {
        return false;
    }
}
