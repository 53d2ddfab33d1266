// The report mail as the crash page's fields and the crash files make it.
#include "crash/CrashMail.h"
#include "crash/CrashPage.h"
#include "mail/ScriptedSmtpServer.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const ReportChannel kChannel{L"127.0.0.1", 1, L"box@example.test", L"box2@example.test", L"default@example.test",
                             L"secret"};

} // namespace

TEST(CrashMail, SenderBodyRecipientsAndFilesInOrder)
{
    TempFolder folder;
    const CrashFiles files{folder.File(L"user.htm"), folder.File(L"Gatewarden.exe.dmp"),
                           folder.File(L"Gatewarden.exe.xml")};
    TempFolder::WriteBytes(files.Log, "<html>log</html>");
    TempFolder::WriteBytes(files.Dump, std::string("MDMP\0\x01\x02", 7));
    TempFolder::WriteBytes(files.Report, "<Exception/>");
    const CrashFiles withoutDump{files.Log, folder.File(L"missing.dmp"), files.Report};
    const CrashFiles withoutReport{files.Log, files.Dump, L""};

    const struct {
        const wchar_t *Email, *Action;
        CrashFiles Files;
        const wchar_t* From;
        std::vector<std::wstring> Attached;
    } cases[] = {
        {nullptr, nullptr, files, L"default@example.test", {L"user.htm", L"Gatewarden.exe.dmp", L"Gatewarden.exe.xml"}},
        {L"me@home.test", L"I clicked Activate", withoutDump, L"me@home.test", {L"user.htm", L"Gatewarden.exe.xml"}},
        {L"", L"", withoutReport, L"default@example.test", {L"user.htm", L"Gatewarden.exe.dmp"}},
    };
    for (const auto& c : cases) {
        FieldMap fields;
        if (c.Email)
            fields.Set(L"email", c.Email);
        if (c.Action)
            fields.Set(L"action", c.Action);
        KEMail::MailMessage message;
        ComposeCrashMail(message, fields, c.Files, kChannel);
        EXPECT_EQ(message.FromAddress(), c.From);
        ASSERT_EQ(message.To().size(), 2u);
        EXPECT_EQ(message.To()[0].Address, L"box@example.test");
        EXPECT_EQ(message.To()[1].Address, L"box2@example.test");
        EXPECT_TRUE(message.To()[0].Name.empty() && message.To()[1].Name.empty());
        std::vector<std::wstring> attached;
        for (const auto& attachment : message.Attachments())
            attached.push_back(attachment.Name);
        EXPECT_EQ(attached, c.Attached);
        const std::string text = message.ComposeBytes();
        EXPECT_NE(text.find("Subject: Gatewarden Crash Report\r\n"), std::string::npos);
        const std::wstring action = c.Action ? c.Action : L"";
        const std::string body = "Gatewardencrash-report. User message:\r\n" + std::string(action.begin(), action.end());
        EXPECT_NE(text.find(body), std::string::npos) << text;
    }
}

TEST(CrashMail, TypedAddressIsTheSenderOnlyWhenItIsOneMailbox)
{
    const std::wstring kDefault = kChannel.Sender;
    const struct {
        std::wstring Typed;
        std::wstring From;
    } cases[] = {
        {L"  me@home.test \t", L"me@home.test"},
        {L"first.last+tag@mail.example-host.org", L"first.last+tag@mail.example-host.org"},
        {L"a@b, \"X\" <c@d>", kDefault},
        {L"<me@home.test>", kDefault},
        {L"Me <me@home.test>", kDefault},
        {L"me@home.test;other@home.test", kDefault},
        {L"me @home.test", kDefault},
        {L"\"me\"@home.test", kDefault},
        {L"me@home.test\r\nRCPT TO: <other@home.test>", kDefault},
        {L"me\x01@home.test", kDefault},
        {L"me@@home.test", kDefault},
        {L"@home.test", kDefault},
        {L"me@", kDefault},
        {L"me.@home.test", kDefault},
        {L"me@home..test", kDefault},
        {L"me@-home.test", kDefault},
        {L"me@[127.0.0.1]", kDefault},
        {L"m\u00E9@home.test", kDefault},
        {std::wstring(65, L'a') + L"@home.test", kDefault},
    };
    for (const auto& c : cases) {
        FieldMap fields;
        fields.Set(L"email", c.Typed);
        KEMail::MailMessage message;
        ComposeCrashMail(message, fields, CrashFiles(), kChannel);
        EXPECT_EQ(message.FromAddress(), c.From) << testing::PrintToString(c.Typed);
    }
}

TEST(CrashMail, ReportWithAnAddressListTypedGoesOutFromTheDefaultSender)
{
    const auto say = [](const char* reply) { return ServerStep(reply); };
    ScriptedSmtpServer server({say("220 mail.test ready\r\n"), say("250 mail.test\r\n"), say("250 ok\r\n"),
                               say("250 ok\r\n"), say("250 ok\r\n"), say("354 go ahead\r\n"), say("250 queued\r\n"),
                               say("221 bye\r\n")});
    ReportChannel channel = kChannel;
    channel.SmtpPort = server.Port();
    FieldMap fields;
    fields.Set(L"email", L"a@b, \"X\" <c@d>");
    fields.Set(L"action", L"clicked Add");
    ASSERT_TRUE(SendCrashMail(fields, CrashFiles(), channel));
    const std::string transcript = server.Transcript();
    EXPECT_NE(transcript.find("C: MAIL FROM: <default@example.test>\n"), std::string::npos) << transcript;
    EXPECT_EQ(transcript.find("c@d"), std::string::npos) << transcript;
    const std::string data = server.Data();
    EXPECT_NE(data.find("\r\nFrom: <default@example.test>\r\n"), std::string::npos) << data;
    EXPECT_NE(data.find("clicked Add\r\n\r\nE-mail address as typed: a@b, \"X\" <c@d>"), std::string::npos) << data;
}
