#include "diag/LogService.h"
#include "mail/MailMessage.h"
#include "mail/SystemClock.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace KEMail;

namespace {

// Tuesday, 5 December 2006, 07:07:03 UTC.
MailTime FixedUtc()
{
    MailTime time;
    time.Year = 2006;
    time.Month = 12;
    time.Day = 5;
    time.Hour = 7;
    time.Minute = 7;
    time.Second = 3;
    return time;
}

const std::string kStandardHeaders = "MIME-Version: 1.0\r\n"
                                     "X-Priority: 3 (Normal)\r\n"
                                     "X-MSMail-Priority: Normal\r\n"
                                     "Importance: Normal\r\n"
                                     "Date: Tue, 5 Dec 2006 9:07:03 +0200\r\n"
                                     "Subject: Crash report\r\n";

// The message every test starts from: a fixed date in a zone two hours east, a fixed boundary.
MailMessage ReportMessage()
{
    MailMessage message;
    message.SetDate(FixedUtc(), 200);
    message.SetBoundary(L"KEmailPart_0000BEEF");
    message.SetSubject(L"Crash report");
    message.SetFrom(L"crash@example.test", L"Gatewarden");
    message.AddTo(L"Support", L"support@example.test");
    return message;
}

std::string Header(const std::string& composed, const std::string& name)
{
    const std::size_t start = composed.find("\r\n" + name + ": ");
    if (start == std::string::npos)
        return {};
    return composed.substr(start + 2, composed.find("\r\n", start + 2) - start - 2);
}

}  // namespace

TEST(MailMessage, ComposesAMessageWithoutAttachmentsWithTheBodyHeadersLast)
{
    MailMessage message = ReportMessage();
    message.SetTextBody(L"Hello\r\nWorld");
    EXPECT_EQ(message.ComposeBytes(), kStandardHeaders +
                                          "To: \"Support\" <support@example.test>\r\n"
                                          "From: \"Gatewarden\" <crash@example.test>\r\n"
                                          "Content-Type: text/plain;\r\n\tcharset=\"ISO-8859-1\"\r\n"
                                          "Content-Transfer-Encoding: 7bit\r\n"
                                          "\r\n"
                                          "Hello\r\nWorld");
    EXPECT_EQ(message.Multipart(), MultipartKind::Automatic);
}

TEST(MailMessage, ComposesThreeAttachmentsEachOpenedByTheBoundaryAndClosedOnce)
{
    MailMessage message = ReportMessage();
    message.SetFrom(L"crash@example.test");
    message.SetTextBody(L"See the files.");
    message.AddAttachment("<p>x</p>\r\n", 10, L"log.htm", L"text/html");
    const char dump[] = {0, 1, 2, 3, 4, 5};
    message.AddAttachment(dump, sizeof dump, L"dump.bin");
    message.AddAttachment("PNG", 3, L"logo.png", L"image/png", L"logo@gw", MailEncoding::Base64, {},
                          MailDisposition::Inline);
    EXPECT_EQ(message.ComposeBytes(),
              "Content-Type: multipart/mixed;\r\n\tboundary=\"KEmailPart_0000BEEF\"\r\n" + kStandardHeaders +
                  "To: \"Support\" <support@example.test>\r\n"
                  "From: <crash@example.test>\r\n"
                  "\r\nThis is a multipart message in MIME format\r\n"
                  "\r\n--KEmailPart_0000BEEF\r\n"
                  "Content-Type: text/plain;\r\n\tcharset=\"ISO-8859-1\"\r\n"
                  "Content-Transfer-Encoding: 7bit\r\n\r\n"
                  "See the files."
                  "\r\n--KEmailPart_0000BEEF\r\n"
                  "Content-Type: text/html;\r\n\tcharset=\"ISO-8859-1\";\r\n\tname=\"log.htm\"\r\n"
                  "Content-Transfer-Encoding: 7bit\r\n"
                  "Content-Disposition: attachment;\r\n\tfilename=\"log.htm\""
                  "\r\n\r\n<p>x</p>\r\n"
                  "\r\n--KEmailPart_0000BEEF\r\n"
                  "Content-Type: application/octet-stream;\r\n\tname=\"dump.bin\"\r\n"
                  "Content-Transfer-Encoding: base64\r\n"
                  "Content-Disposition: attachment;\r\n\tfilename=\"dump.bin\""
                  "\r\n\r\nAAECAwQF"
                  "\r\n--KEmailPart_0000BEEF\r\n"
                  "Content-Type: image/png;\r\n\tname=\"logo.png\"\r\n"
                  "Content-Transfer-Encoding: base64\r\n"
                  "Content-Disposition: inline;\r\n\tfilename=\"logo.png\"\r\n"
                  "Content-ID: <logo@gw>"
                  "\r\n\r\nUE5H"
                  "\r\n--KEmailPart_0000BEEF--\r\n");
    EXPECT_EQ(message.Multipart(), MultipartKind::Mixed);
}

TEST(MailMessage, BoundaryComesFromTheTickCountWhenNoneIsGiven)
{
    MailMessage message;
    message.SetTextBody(L"x");
    message.AddAttachment("a", 1, L"a.txt");
    const std::string composed = message.ComposeBytes();
    const std::string header = composed.substr(0, composed.find("\r\nMIME-Version"));
    ASSERT_EQ(header.size(), std::string("Content-Type: multipart/mixed;\r\n\tboundary=\"KEmailPart_12345678\"").size());
    const std::string boundary = header.substr(header.find('"') + 1, 19);
    EXPECT_EQ(boundary.substr(0, 11), "KEmailPart_");
    EXPECT_EQ(boundary.find_first_not_of("0123456789ABCDEF", 11), std::string::npos) << boundary;
    EXPECT_NE(composed.find("\r\n--" + boundary + "--\r\n"), std::string::npos);
}

// Which encoding fits which text is PartEncoding's; here, that the body goes through it, and that
// HTML is the body only without text, and when there is none at all.
TEST(MailMessage, BodyIsEncodedAsItsTextNeedsAndIsHtmlOnlyWithoutText)
{
    const std::string plain = "Content-Type: text/plain;\r\n\tcharset=\"ISO-8859-1\"\r\nContent-Transfer-Encoding: ";
    const std::string html = "Content-Type: text/html;\r\n\tcharset=\"ISO-8859-1\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\n";
    struct Case {
        const wchar_t* text;  // set first, then the HTML
        const wchar_t* html;
        std::string tail;     // from the body's type to the end
    };
    const std::wstring longLine = std::wstring(100, L'x') + L"\r\n";
    const Case cases[] = {
        {longLine.c_str(), nullptr,
         plain + "quoted-printable\r\n\r\n" + std::string(75, 'x') + "=\r\n" + std::string(25, 'x') + "\r\n"},
        {nullptr, L"<b>hi</b>", html + "<b>hi</b>"},
        {L"plain", L"<b>hi</b>", plain + "7bit\r\n\r\nplain"},
        {nullptr, nullptr, html},
    };
    for (const Case& c : cases) {
        MailMessage message = ReportMessage();
        if (c.text)
            message.SetTextBody(c.text);
        if (c.html)
            message.SetHtmlBody(c.html);
        const std::string composed = message.ComposeBytes();
        const std::size_t at = composed.find("Content-Type: text/");
        ASSERT_NE(at, std::string::npos) << c.tail;
        EXPECT_EQ(composed.substr(at), c.tail);
    }
}

TEST(MailMessage, WritesTheLocalTimeOfTheZoneItNames)
{
    const std::pair<int, const char*> cases[] = {
        {200, "Tue, 5 Dec 2006 9:07:03 +0200"},   {530, "Tue, 5 Dec 2006 12:37:03 +0530"},
        {-330, "Tue, 5 Dec 2006 3:37:03 -0330"},  {0, "Tue, 5 Dec 2006 7:07:03 -0000"},
        {-800, "Mon, 4 Dec 2006 23:07:03 -0800"}, {1400, "Tue, 5 Dec 2006 21:07:03 +1400"},
    };
    for (const auto& [zone, date] : cases) {
        MailMessage message = ReportMessage();
        message.SetDate(FixedUtc(), zone);
        EXPECT_EQ(Header(message.ComposeBytes(), "Date"), std::string("Date: ") + date);
    }
}

TEST(MailMessage, ZoneOffsetFollowsTheSystemsBiasAndDaylightState)
{
    struct Case {
        LONG bias, standardBias, daylightBias;
        DWORD state;
        int offset;
    };
    const Case cases[] = {
        {-120, 0, -60, TIME_ZONE_ID_STANDARD, 200},  {-330, 0, 0, TIME_ZONE_ID_UNKNOWN, 530},
        {210, 0, -60, TIME_ZONE_ID_STANDARD, -330},  {0, 0, -60, TIME_ZONE_ID_STANDARD, 0},
        {0, 0, -60, TIME_ZONE_ID_DAYLIGHT, 100},     {300, 0, -60, TIME_ZONE_ID_DAYLIGHT, -400},
        {-570, 0, -60, TIME_ZONE_ID_DAYLIGHT, 1030}, {60, 30, -60, TIME_ZONE_ID_STANDARD, -130},
    };
    for (const Case& c : cases) {
        TIME_ZONE_INFORMATION zone{};
        zone.Bias = c.bias;
        zone.StandardBias = c.standardBias;
        zone.DaylightBias = c.daylightBias;
        EXPECT_EQ(ZoneOffsetFromTimeZone(zone, c.state), c.offset) << c.bias << " state " << c.state;
    }
    EXPECT_EQ(MailMessage().ZoneOffset(), CurrentZoneOffset());
}

TEST(MailMessage, WritesPriorityAndImportanceHeaders)
{
    struct Case {
        MailPriority priority;
        MailImportance importance;
        const char* lines;
    };
    const Case cases[] = {
        {MailPriority::Normal, MailImportance::Normal,
         "X-Priority: 3 (Normal)\r\nX-MSMail-Priority: Normal\r\nImportance: Normal\r\n"},
        {MailPriority::High, MailImportance::High,
         "X-Priority: 1 (High)\r\nX-MSMail-Priority: High\r\nImportance: High\r\n"},
        {MailPriority::HighSecond, MailImportance::Low,
         "X-Priority: 2 (High)\r\nX-MSMail-Priority: High\r\nImportance: Low\r\n"},
    };
    for (const Case& c : cases) {
        MailMessage message = ReportMessage();
        message.SetPriority(c.priority);
        message.SetImportance(c.importance);
        message.SetMessageId(L"1@gw");
        EXPECT_NE(message.ComposeBytes().find(std::string("MIME-Version: 1.0\r\nMessage-ID: <1@gw>\r\n") + c.lines),
                  std::string::npos)
            << c.lines;
    }
}

TEST(MailMessage, FoldsCcIntoTheToLineAndNeverWritesBcc)
{
    struct Case {
        std::vector<MailRecipient> to, cc;
        const char* line;
    };
    const Case cases[] = {
        {{{L"A", L"a@x.test"}, {L"", L"b@x.test"}}, {{L"C", L"c@x.test"}},
         "To: \"A\" <a@x.test>,\t<b@x.test>,\r\n\t\"C\" <c@x.test>\r\n"},
        {{}, {{L"", L"c@x.test"}, {L"", L"d@x.test"}}, "To: <c@x.test>,\r\n\t<d@x.test>\r\n"},
        {{{L"Name only", L""}}, {}, "To: \"Name only\" \r\n"},
    };
    for (const Case& c : cases) {
        MailMessage message;
        message.SetFrom(L"crash@example.test");
        for (const MailRecipient& r : c.to)
            message.AddTo(r.Name, r.Address);
        for (const MailRecipient& r : c.cc)
            message.AddCc(r.Name, r.Address);
        message.AddBcc(L"Hidden", L"hidden@x.test");
        const std::string composed = message.ComposeBytes();
        EXPECT_NE(composed.find(std::string("\r\n") + c.line + "From: "), std::string::npos) << c.line;
        EXPECT_EQ(composed.find("hidden"), std::string::npos);
        EXPECT_EQ(composed.find("Cc:"), std::string::npos);
    }
}

TEST(MailMessage, KeepsHeaderValuesOnOneLine)
{
    MailMessage message = ReportMessage();
    message.SetSubject(L"Hi\r\nBcc: victim@x.test");
    message.AddTo(L"Evil\n", L"a@x.test>\r\nRCPT TO:<b@x.test");
    const std::string composed = message.ComposeBytes();
    EXPECT_EQ(Header(composed, "Subject"), "Subject: Hi  Bcc: victim@x.test");
    EXPECT_EQ(Header(composed, "Bcc"), "");
    EXPECT_EQ(message.To().back().Address, L"a@x.test  RCPT TO:b@x.test");
}

TEST(MailMessage, NamesAndAddressesStayInsideTheirQuotesAndBrackets)
{
    MailMessage message = ReportMessage();
    message.AddTo(L"Smith, \"Jo\" \\", L"jo@x.test>, <evil@x.test");
    message.AddAttachment("abc", 3, L"a\".txt");
    const std::string composed = message.ComposeBytes();
    EXPECT_EQ(Header(composed, "To"),
              "To: \"Support\" <support@example.test>,\t\"Smith, \\\"Jo\\\" \\\\\" <jo@x.test, evil@x.test>");
    EXPECT_NE(composed.find("\tname=\"a\\\".txt\"\r\n"), std::string::npos);
    EXPECT_NE(composed.find("\tfilename=\"a\\\".txt\"\r\n"), std::string::npos);
}

TEST(MailMessage, BoundaryGrowsUntilNoPartHoldsIt)
{
    // A forwarded mail in an attached log holds boundaries of its own.
    MailMessage message = ReportMessage();
    message.SetTextBody(L"--KEmailPart_0000BEEF\r\n--KEmailPart_0000BEEF_1--");
    message.AddAttachment("abc", 3, L"a.bin");
    const std::string composed = message.ComposeBytes();
    EXPECT_NE(composed.find("boundary=\"KEmailPart_0000BEEF_2\"\r\n"), std::string::npos);
    EXPECT_NE(composed.find("\r\n--KEmailPart_0000BEEF_2--\r\n"), std::string::npos);
}

TEST(MailMessage, IgnoresAttachmentsWithoutNameOrData)
{
    MailMessage message = ReportMessage();
    message.AddAttachment("abc", 3, L"");
    message.AddAttachment(nullptr, 3, L"x.bin");
    EXPECT_TRUE(message.Attachments().empty());
    message.AddAttachment(nullptr, 0, L"empty.bin");
    ASSERT_EQ(message.Attachments().size(), 1u);
    EXPECT_EQ(message.Attachments()[0].Size(), 0u);
    EXPECT_NE(message.ComposeBytes().find("filename=\"empty.bin\"\r\n\r\n\r\n--KEmailPart_0000BEEF--"),
              std::string::npos);
}

TEST(MailMessage, AttachFileTakesTheTypeRegisteredForItsExtension)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L".htm", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t type[] = L"text/html";
    RegSetValueExW(key, L"Content Type", 0, REG_SZ, reinterpret_cast<const BYTE*>(type), sizeof type);
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".exe.dmp");

    TempFolder folder;
    TempFolder::WriteBytes(folder.File(L"report.exe.dmp"), std::string("MDMP\0\x93\xA7", 7));
    TempFolder::WriteBytes(folder.File(L"user.htm"), "<html>log</html>\r\n");
    TempFolder::WriteBytes(folder.File(L"empty.txt"), "");

    MailMessage message = ReportMessage();
    EXPECT_TRUE(message.AttachFile(folder.File(L"report.exe.dmp")));
    EXPECT_TRUE(message.AttachFile(folder.File(L"user.htm")));
    EXPECT_TRUE(message.AttachFile(folder.File(L"empty.txt")));
    EXPECT_FALSE(message.AttachFile(folder.File(L"missing.htm")));

    const auto& attachments = message.Attachments();
    ASSERT_EQ(attachments.size(), 3u);
    EXPECT_EQ(attachments[0].Name, L"report.exe.dmp");
    EXPECT_EQ(attachments[0].ContentType, L"application/octet-stream");
    EXPECT_EQ(attachments[0].Data, std::string("MDMP\0\x93\xA7", 7));
    EXPECT_EQ(attachments[1].ContentType, L"text/html");
    EXPECT_EQ(attachments[2].Size(), 0u);
    const std::string composed = message.ComposeBytes();
    EXPECT_NE(composed.find("Content-Type: application/octet-stream;\r\n\tname=\"report.exe.dmp\"\r\n"),
              std::string::npos);
    EXPECT_NE(composed.find("Content-Type: text/html;\r\n\tcharset=\"ISO-8859-1\";\r\n\tname=\"user.htm\"\r\n"
                            "Content-Transfer-Encoding: 7bit\r\n"),
              std::string::npos);
}

TEST(MailMessage, AttachFileTakesTheRunningLogAsItStandsButNotAFileLockedElsewhere)
{
    TempFolder folder;
    LogService log;
    log.StartInFolder(folder.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
    log.Log(kLogCrash, "crash.cpp", 1, L"Unhandled exception");
    const std::string written = TempFolder::ReadBytes(log.GetFileName());
    ASSERT_NE(written.find("Unhandled exception"), std::string::npos);

    MailMessage message = ReportMessage();
    EXPECT_TRUE(message.AttachFile(log.GetFileName()));
    log.Log(kLogCrash, "crash.cpp", 2, L"Application terminated.");
    ASSERT_EQ(message.Attachments().size(), 1u);
    EXPECT_EQ(message.Attachments()[0].Data, written);
    EXPECT_GT(TempFolder::ReadBytes(log.GetFileName()).size(), written.size());

    const std::wstring locked = folder.File(L"locked.log");
    TempFolder::WriteBytes(locked, "busy");
    const std::unique_ptr<void, decltype(&CloseHandle)> held(
        CreateFileW(locked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), &CloseHandle);
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(message.AttachFile(locked));
    EXPECT_EQ(message.Attachments().size(), 1u);
}

TEST(MailMessage, ComposeGivesTheSameTextWidened)
{
    MailMessage message = ReportMessage();
    message.SetTextBody(L"Viele Gr\u00fc\u00dfe aus dem Labor");
    const std::wstring wide = message.Compose();
    EXPECT_NE(wide.find(L"Content-Transfer-Encoding: 8bit\r\n\r\nViele Gr\u00fc\u00dfe aus dem Labor"), std::wstring::npos);
}
