#include "ScriptedSmtpServer.h"
#include "mail/KEmailException.h"
#include "mail/SmtpClient.h"

#include <gtest/gtest.h>

#include <optional>

using namespace KEMail;
using namespace std::chrono_literals;

namespace {

// One To, one Cc and one Bcc recipient, so that every recipient list is sent.
MailMessage ThreeRecipientMessage()
{
    MailMessage message;
    MailTime utc;
    utc.Year = 2024;
    utc.Month = 3;
    utc.Day = 1;
    message.SetDate(utc, 0);
    message.SetBoundary(L"KEmailPart_00C0FFEE");
    message.SetSubject(L"Report");
    message.SetFrom(L"crash@example.test");
    message.AddTo(L"", L"support@example.test");
    message.AddCc(L"", L"ops@example.test");
    message.AddBcc(L"", L"audit@example.test");
    message.SetTextBody(L"Line one\r\n.\r\nLine three");
    message.AddAttachment("abc", 3, L"a.bin", {}, {}, MailEncoding::Base64);
    return message;
}

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

const std::vector<std::string> kGreetingAndHello = {"S: 220 mail.test ready", "C: EHLO [127.0.0.1]",
                                                    "S: 250 mail.test"};
const std::vector<std::string> kRecipients = {"C: RCPT TO: <support@example.test>", "S: 250 ok",
                                              "C: RCPT TO: <ops@example.test>",     "S: 250 ok",
                                              "C: RCPT TO: <audit@example.test>",   "S: 250 ok"};
const std::vector<std::string> kDataAccepted = {"C: DATA",      "S: 354 go ahead", "C: <message>",
                                                "S: 250 queued", "C: QUIT",        "S: 221 bye"};

template <typename T>
std::vector<T> Joined(std::initializer_list<std::vector<T>> parts)
{
    std::vector<T> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const auto Concat = Joined<std::string>;
const auto Steps = Joined<ServerStep>;

const std::vector<std::string> kRecipientsAndData = Concat({kRecipients, kDataAccepted});
const std::vector<std::string> kEnvelope = Concat({{"C: MAIL FROM: <crash@example.test>", "S: 250 ok"}, kRecipients});

ServerStep Say(std::string reply)
{
    return ServerStep(std::move(reply));
}

// The server's side of a transcript: after the client's each line (and before the first), what
// the server said, as one reply.
std::vector<ServerStep> ScriptFrom(const std::vector<std::string>& transcript)
{
    std::vector<ServerStep> script;
    std::string reply;
    for (const std::string& line : transcript) {
        if (line.starts_with("S: ")) {
            reply += line.substr(3) + "\r\n";
        } else if (!reply.empty()) {
            script.push_back(Say(std::move(reply)));
            reply.clear();
        }
    }
    if (!reply.empty())
        script.push_back(Say(std::move(reply)));
    return script;
}

struct Scenario {
    Scenario(const char* name, std::vector<ServerStep> script, std::vector<std::string> transcript,
             std::optional<std::wstring> error, std::wstring lastResponse, std::wstring user = {},
             std::chrono::milliseconds timeout = 2s)
        : name(name), script(std::move(script)), transcript(std::move(transcript)), error(std::move(error)),
          lastResponse(std::move(lastResponse)), user(std::move(user)), timeout(timeout)
    {
    }

    const char* name;
    std::vector<ServerStep> script;  // empty: the server says what the transcript has it say
    std::vector<std::string> transcript;
    std::optional<std::wstring> error;  // none: the send succeeds and the server has the message
    std::wstring lastResponse;
    std::wstring user;
    std::chrono::milliseconds timeout;
};

}  // namespace

TEST(MailSmtpClient, EndsEachConversationAsTheServerLeadsIt)
{
    const std::wstring fromFailed = L"FROM failed:\n530 5.7.0 Authentication required";
    const Scenario scenarios[] = {
        {"a plain exchange with a multi-line hello reply",
         {},
         Concat({{"S: 220 mail.test ready", "C: EHLO [127.0.0.1]", "S: 250-mail.test", "S: 250-SIZE 1000000",
                  "S: 250 AUTH LOGIN", "C: MAIL FROM: <crash@example.test>", "S: 250 sender ok"},
                 kRecipientsAndData}),
         std::nullopt, L"250 queued"},
        {"EHLO refused and HELO accepted",
         {},
         Concat({{"S: 220 mail.test ready", "C: EHLO [127.0.0.1]", "S: 502 unknown", "C: HELO [127.0.0.1]",
                  "S: 250 hello", "C: MAIL FROM: <crash@example.test>", "S: 250 ok"},
                 kRecipientsAndData}),
         std::nullopt, L"250 queued"},
        {"530, then AUTH LOGIN with base64 challenges and MAIL FROM again",
         {},
         Concat({kGreetingAndHello,
                 {"C: MAIL FROM: <crash@example.test>", "S: 530 5.7.0 Authentication required", "C: AUTH LOGIN",
                  "S: 334 VXNlcm5hbWU6", "C: cmVwb3J0ZXI=", "S: 334 UGFzc3dvcmQ6", "C: czNjcmV0",
                  "S: 235 2.7.0 accepted", "C: MAIL FROM: <crash@example.test>", "S: 250 ok"},
                 kRecipientsAndData}),
         std::nullopt, L"250 queued", L"reporter"},
        {"refused credentials end after one login",
         {},
         Concat({kGreetingAndHello,
                 {"C: MAIL FROM: <crash@example.test>", "S: 530 5.7.0 Authentication required", "C: AUTH LOGIN",
                  "S: 334 VXNlcm5hbWU6", "C: cmVwb3J0ZXI=", "S: 334 UGFzc3dvcmQ6", "C: czNjcmV0",
                  "S: 535 5.7.8 bad credentials", "C: MAIL FROM: <crash@example.test>",
                  "S: 530 5.7.0 Authentication required", "C: QUIT", "S: 221 bye"}}),
         fromFailed, L"221 bye", L"reporter"},
        {"a challenge asked twice is cancelled",
         {},
         Concat({kGreetingAndHello,
                 {"C: MAIL FROM: <crash@example.test>", "S: 530 5.7.0 Authentication required", "C: AUTH LOGIN",
                  "S: 334 VXNlcm5hbWU6", "C: cmVwb3J0ZXI=", "S: 334 VXNlcm5hbWU6", "C: *", "S: 501 cancelled",
                  "C: MAIL FROM: <crash@example.test>", "S: 530 5.7.0 Authentication required", "C: QUIT",
                  "S: 221 bye"}}),
         fromFailed, L"221 bye", L"reporter"},
        {"530 without a user name asks once more and gives up",
         {},
         Concat({kGreetingAndHello,
                 {"C: MAIL FROM: <crash@example.test>", "S: 530 5.7.0 Authentication required",
                  "C: MAIL FROM: <crash@example.test>", "S: 530 5.7.0 Authentication required", "C: QUIT",
                  "S: 221 bye"}}),
         fromFailed, L"221 bye"},
        {"one of three recipients refused with 550",
         {},
         Concat({kGreetingAndHello,
                 {"C: MAIL FROM: <crash@example.test>", "S: 250 ok", "C: RCPT TO: <support@example.test>",
                  "S: 250 ok", "C: RCPT TO: <ops@example.test>", "S: 550 5.1.1 no such user",
                  "C: RCPT TO: <audit@example.test>", "S: 251 forwarded", "C: DATA", "S: 354 go ahead",
                  "C: <message>", "S: 250 queued", "C: QUIT", "S: 221 bye"}}),
         std::nullopt, L"250 queued"},
        {"every recipient refused keeps the connection",
         {},
         Concat({kGreetingAndHello,
                 {"C: MAIL FROM: <crash@example.test>", "S: 250 ok", "C: RCPT TO: <support@example.test>",
                  "S: 550 one", "C: RCPT TO: <ops@example.test>", "S: 550 two", "C: RCPT TO: <audit@example.test>",
                  "S: 550 three", "C: QUIT", "S: 221 bye"}}),
         L"No recipients added:\n550 three", L"550 three"},
        {"a greeting that never comes",
         {ServerStep{"", StepAction::Silent}},
         {},
         L"", L"", L"", 300ms},
        {"a greeting other than 220",
         {Say("554 go away\r\n")},
         {"S: 554 go away"},
         L"554 go away", L"554 go away"},
        {"neither EHLO nor HELO accepted",
         {Say("220 mail.test ready\r\n"), Say("500 what\r\n"), Say("501 what\r\n")},
         {"S: 220 mail.test ready", "C: EHLO [127.0.0.1]", "S: 500 what", "C: HELO [127.0.0.1]", "S: 501 what"},
         L"HELLO command reports an error", L"501 what"},
        {"bare LF line ends",
         {Say("220 mail.test ready\n"), Say("250 mail.test\n"), Say("250 ok\n"), Say("250 ok\n"), Say("250 ok\n"),
          Say("250 ok\n"), Say("354 go ahead\n"), Say("250 queued\n"), Say("221 bye\n")},
         Concat({kGreetingAndHello, {"C: MAIL FROM: <crash@example.test>", "S: 250 ok"}, kRecipientsAndData}),
         std::nullopt, L"250 queued"},
        {"continuation lines of the hello reply arriving late",
         Steps({{Say("220 mail.test ready\r\n"),
                 ServerStep{"250-mail.test\r\n", StepAction::Reply, "250-PIPELINING\r\n250 AUTH LOGIN\r\n", 300ms},
                 Say("250 sender ok\r\n")},
                ScriptFrom(kRecipientsAndData)}),
         Concat({{"S: 220 mail.test ready", "C: EHLO [127.0.0.1]", "S: 250-mail.test", "S: 250-PIPELINING",
                  "S: 250 AUTH LOGIN", "C: MAIL FROM: <crash@example.test>", "S: 250 sender ok"},
                 kRecipientsAndData}),
         std::nullopt, L"250 queued"},
        {"DATA refused", {},
         Concat({kGreetingAndHello, kEnvelope, {"C: DATA", "S: 554 no data", "C: QUIT", "S: 221 bye"}}),
         L"DATA failed:\n554 no data", L"221 bye"},
        {"the message refused after its end",
         {},
         Concat({kGreetingAndHello, kEnvelope,
                 {"C: DATA", "S: 354 go ahead", "C: <message>", "S: 552 too big", "C: QUIT", "S: 221 bye"}}),
         L"Message not accepted:\n552 too big", L"221 bye"},
        {"the connection dropped during DATA",
         Steps({ScriptFrom(Concat({kGreetingAndHello, kEnvelope, {"C: DATA", "S: 354 go ahead"}})),
                {ServerStep{"", StepAction::Close}}}),
         Concat({kGreetingAndHello, kEnvelope, {"C: DATA", "S: 354 go ahead"}}), L"Message not accepted:\n", L""},
    };
    for (const Scenario& s : scenarios) {
        ScriptedSmtpServer server(s.script.empty() ? ScriptFrom(s.transcript) : s.script);
        MailMessage message = ThreeRecipientMessage();
        std::optional<std::wstring> error;
        std::wstring lastResponse;
        const auto started = std::chrono::steady_clock::now();
        {
            SmtpClient client;
            client.SetTimeout(s.timeout);
            try {
                EXPECT_TRUE(client.Send(&message, L"127.0.0.1", server.Port(), s.user, L"s3cret")) << s.name;
            } catch (const KEmailException& e) {
                error = e.Message();
            }
            lastResponse = client.LastResponse();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << s.name;
        EXPECT_EQ(server.Transcript(), Lines(s.transcript)) << s.name;
        EXPECT_EQ(error, s.error) << s.name;
        EXPECT_EQ(lastResponse, s.lastResponse) << s.name;
        if (!s.error) {
            EXPECT_EQ(server.Data(), message.ComposeBytes() + "\r\n.\r\n") << s.name;
        }
    }
}

TEST(MailSmtpClient, GivesUpWithinTheTimeOutOnAServerThatNeverStopsSending)
{
    struct Case {
        const char* name;
        std::vector<ServerStep> script;
        std::wstring error;
    };
    const Case cases[] = {
        {"a greeting line without end", {ServerStep{"220 ", StepAction::Stream, std::string(1024, 'x')}},
         L"220 " + std::wstring(1020, L'x')},
        {"a multi-line reply without end",
         {Say("220 mail.test ready\r\n"), ServerStep{"250-mail.test\r\n", StepAction::Stream, "250-SIZE 1000000\r\n"}},
         L"HELLO command reports an error"},
        {"junk after a complete reply",
         {ServerStep{"220 mail.test ready\r\n", StepAction::Stream, std::string(1024, '#')}},
         L"HELLO command reports an error"},
    };
    constexpr auto kTimeout = 1s;
    for (const Case& c : cases) {
        ScriptedSmtpServer server(c.script);
        SmtpClient client;
        client.SetTimeout(kTimeout);
        const auto started = std::chrono::steady_clock::now();
        try {
            client.Connect(L"127.0.0.1", server.Port());
            ADD_FAILURE() << c.name;
        } catch (const KEmailException& e) {
            EXPECT_EQ(e.Message(), c.error) << c.name;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, kTimeout + 1s) << c.name;
        EXPECT_FALSE(client.IsConnected()) << c.name;
    }
}

TEST(MailSmtpClient, KeepsTheFirst1024BytesOfALongReplyAndReadsPastTheRest)
{
    const std::vector<std::string> transcript = Concat(
        {kGreetingAndHello, {"C: NOOP", "S: 250 " + std::string(1500, 'x'), "C: NOOP", "S: 250 second", "C: QUIT", "S: 221 bye"}});
    ScriptedSmtpServer server(ScriptFrom(transcript));
    SmtpClient client;
    client.SetTimeout(2s);
    client.Connect(L"127.0.0.1", server.Port());
    EXPECT_EQ(client.SendCommand(L"NOOP\r\n"), 250);
    EXPECT_EQ(client.LastResponse(), L"250 " + std::wstring(1020, L'x'));
    EXPECT_EQ(client.SendCommand(L"NOOP\r\n"), 250);
    EXPECT_EQ(client.LastResponse(), L"250 second");
    client.Disconnect();
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(server.Transcript(), Lines(transcript));
}

TEST(MailSmtpClient, RefusesMessagesItCannotSend)
{
    struct Case {
        const char* name;
        void (*shape)(MailMessage&);
        std::wstring error;
    };
    const Case cases[] = {
        {"no sender", [](MailMessage& m) { m.SetFrom(L""); }, L"Anonymous Email are not supported"},
        {"Bcc alone",
         [](MailMessage& m) {
             m = MailMessage();
             m.SetFrom(L"crash@example.test");
             m.AddBcc(L"", L"audit@example.test");
         },
         L"No email recipients"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> transcript = Concat({kGreetingAndHello, {"C: QUIT", "S: 221 bye"}});
        ScriptedSmtpServer server(ScriptFrom(transcript));
        MailMessage message = ThreeRecipientMessage();
        c.shape(message);
        SmtpClient client;
        client.SetTimeout(2s);
        try {
            (void)client.Send(&message, L"127.0.0.1", server.Port(), L"", L"");
            ADD_FAILURE() << c.name;
        } catch (const KEmailException& e) {
            EXPECT_EQ(e.Message(), c.error) << c.name;
        }
        EXPECT_FALSE(client.IsConnected()) << c.name;
        EXPECT_EQ(server.Transcript(), Lines(transcript)) << c.name;
    }
}

TEST(MailSmtpClient, SendsOnlyOverAConnection)
{
    SmtpClient client;
    MailMessage message = ThreeRecipientMessage();
    EXPECT_FALSE(client.Send(nullptr, L"127.0.0.1", 25, L"", L""));
    EXPECT_FALSE(client.SendMail(nullptr));
    for (auto send : {+[](SmtpClient& c, MailMessage& m) { (void)c.Send(&m, L"", L""); },
                      +[](SmtpClient& c, MailMessage& m) { (void)c.SendMail(&m); }}) {
        try {
            send(client, message);
            ADD_FAILURE() << "sent without a connection";
        } catch (const KEmailException& e) {
            EXPECT_EQ(e.Message(), L"Not Connected to server.");
        }
    }

    ScriptedSmtpServer server(ScriptFrom(Concat({kGreetingAndHello, {"C: MAIL FROM: <crash@example.test>", "S: 250 ok"}, kRecipientsAndData})));
    client.SetTimeout(2s);
    client.Connect(L"127.0.0.1", server.Port());
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.Port(), server.Port());
    EXPECT_TRUE(client.Send(&message, L"", L""));
    client.Disconnect();
    EXPECT_EQ(server.Data(), message.ComposeBytes() + "\r\n.\r\n");
}

TEST(MailSmtpClient, ReportsServersThatCannotBeReached)
{
    KEMail::WinsockSession winsock;
    std::uint16_t closedPort = 0;
    ListenOnLoopback(closedPort).Reset();  // nothing listens on that port now

    SmtpClient client;
    client.SetTimeout(1s);
    try {
        client.Connect(L"127.0.0.1", closedPort);
        ADD_FAILURE() << "connected to a closed port";
    } catch (const KEmailException& e) {
        EXPECT_FALSE(e.Message().empty());
        EXPECT_NE(e.Message(), L"Can't resolve hostname");
    }
    EXPECT_FALSE(client.IsConnected());
    try {
        // A label over 63 characters fails in the resolver itself, before any query leaves.
        client.Connect(std::wstring(70, L'a') + L".test", 25);
        ADD_FAILURE() << "resolved an impossible name";
    } catch (const KEmailException& e) {
        EXPECT_EQ(e.Message(), L"Can't resolve hostname");
    }
}
