#include "crash/CrashMail.h"

#include "mail/KEmailException.h"
#include "mail/MailAddress.h"
#include "mail/SmtpClient.h"

void ComposeCrashMail(KEMail::MailMessage& message, const FieldMap& fields, const CrashFiles& files,
                      const ReportChannel& channel)
{
    // The typed address becomes the sender only when it is one mailbox: a list or a display name
    // would add senders, and a strict server refuses the whole command, report and all. What the
    // user typed is not lost: it goes with the body.
    const std::wstring typed = fields.Get(L"email").AsString();
    const std::wstring email = KEMail::MailAddress::Trimmed(typed);
    const bool usable = KEMail::MailAddress::IsSingleMailbox(email);
    std::wstring body = L"Gatewardencrash-report. User message:\r\n" + fields.Get(L"action").AsString();
    if (!usable && !email.empty())
        body += L"\r\n\r\nE-mail address as typed: " + typed;
    message.AddTo(L"", channel.Mailbox);
    message.AddTo(L"", channel.Mailbox2);
    message.SetFrom(usable ? email : std::wstring(channel.Sender));
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
