#include "mail/SmtpClient.h"

#include "mail/Base64.h"
#include "mail/KEmailException.h"
#include "mail/TextConversion.h"

#include <algorithm>

namespace KEMail {
namespace {

int ReplyCode(const std::string& line)
{
    if (line.size() < 3 || !std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

}  // namespace

SmtpClient::SmtpClient(std::unique_ptr<SmtpConnector> connector) : m_connector(std::move(connector)) {}

SmtpClient::~SmtpClient()
{
    Disconnect();
}

bool SmtpClient::Send(MailMessage* message, const std::wstring& server, std::uint16_t port,
                      const std::wstring& user, const std::wstring& password)
{
    if (message == nullptr)
        return false;
    if (!m_connected)
        Connect(server, port);
    m_user = user;
    m_password = password;
    SendMail(message);
    return true;
}

bool SmtpClient::Send(MailMessage* message, const std::wstring& user, const std::wstring& password)
{
    if (message == nullptr)
        return false;
    if (!m_connected)
        throw KEmailException(L"Not Connected to server.");
    m_user = user;
    m_password = password;
    SendMail(message);
    return true;
}

void SmtpClient::Connect(const std::wstring& server, std::uint16_t port)
{
    Disconnect();
    m_port = port;
    m_transport = m_connector->Connect(server, port, m_timeout);
    if (SendCommand() != 220) {
        m_connected = false;
        Fail(m_lastResponse);
    }
    Hello();
    m_connected = true;
}

void SmtpClient::Hello()
{
    const std::wstring literal = m_transport->LocalAddressLiteral();
    if (SendCommand(L"EHLO " + literal + L"\r\n") == 250)
        return;
    if (SendCommand(L"HELO " + literal + L"\r\n") == 250)
        return;
    Fail(L"HELLO command reports an error");
}

bool SmtpClient::SendMail(MailMessage* message)
{
    if (message == nullptr)
        return false;
    m_message = message;
    if (!m_connected)
        throw KEmailException(L"Not Connected to server.");
    if (message->FromAddress().empty())
        Fail(L"Anonymous Email are not supported");
    if (message->To().empty() && message->Cc().empty())
        Fail(L"No email recipients");

    SendMailFrom();

    int accepted = 0;
    for (const auto* list : {&message->To(), &message->Cc(), &message->Bcc()}) {
        for (const MailRecipient& recipient : *list) {
            const int reply = SendCommand(L"RCPT TO: <" + recipient.Address + L">\r\n");
            if (reply == 250 || reply == 251)
                ++accepted;
        }
    }
    if (accepted == 0)
        throw KEmailException(L"No recipients added:\n" + m_lastResponse);

    // A refused message is a failure the sender has to hear of, not a success.
    if (SendCommand(L"DATA\r\n") != 354)
        Fail(L"DATA failed:\n" + m_lastResponse);
    std::string data = message->ComposeBytes();
    data += "\r\n.\r\n";
    if (Exchange(data) != 250)
        Fail(L"Message not accepted:\n" + m_lastResponse);
    return true;
}

void SmtpClient::SendMailFrom()
{
    const std::wstring command = L"MAIL FROM: <" + m_message->FromAddress() + L">\r\n";
    int reply = SendCommand(command);
    // The same credentials are not tried again: a refused login stays refused.
    for (int attempt = 0; reply == 530 && attempt < kMaxLoginAttempts; ++attempt) {
        (void)Authenticate();
        reply = SendCommand(command);
    }
    if (reply != 250)
        Fail(L"FROM failed:\n" + m_lastResponse);
}

int SmtpClient::Authenticate()
{
    if (m_user.empty())
        return 1;
    const int reply = SendCommand(L"AUTH LOGIN\r\n");
    if (reply != 334)
        return reply;
    return AnswerChallenges(reply);
}

int SmtpClient::AnswerChallenges(int reply)
{
    // Each credential is given once; a challenge asked again, or one of another kind, is
    // answered with "*", which cancels the exchange, so that no server keeps the client asking.
    bool userSent = false;
    bool passwordSent = false;
    while (reply == 334) {
        const std::wstring encoded = m_lastResponse.size() > 4 ? m_lastResponse.substr(4) : std::wstring();
        const std::string challenge = Base64Decode(ToAnsi(encoded));
        const std::wstring* answer = nullptr;
        if (!userSent && EqualsIgnoringCase(challenge, "Username:")) {
            answer = &m_user;
            userSent = true;
        } else if (!passwordSent && EqualsIgnoringCase(challenge, "Password:")) {
            answer = &m_password;
            passwordSent = true;
        } else {
            (void)SendCommand(L"*\r\n");
            return 1;
        }
        reply = Exchange(Base64Encode(ToAnsi(*answer)) + "\r\n");
        if (reply == 535)
            return 1;
    }
    return reply;
}

void SmtpClient::Disconnect()
{
    if (m_connected && m_transport) {
        m_connected = false;
        (void)SendCommand(L"QUIT\r\n");
    }
    if (m_transport)
        m_transport->Shutdown();
    DropConnection();
    m_message = nullptr;
    m_user.clear();
    m_password.clear();
}

// After a reply that did not come whole in time, or input that does not stop coming, the client can
// no longer tell which bytes answer which command; nothing more is sent on that connection.
void SmtpClient::DropConnection()
{
    m_connected = false;
    m_transport.reset();
    m_received.clear();
}

void SmtpClient::Fail(const std::wstring& message)
{
    const std::wstring text = message;  // may be m_lastResponse, which the QUIT replaces
    Disconnect();
    throw KEmailException(text);
}

int SmtpClient::SendCommand(const std::wstring& command)
{
    return Exchange(ToAnsi(command));
}

int SmtpClient::SendCommand()
{
    m_lastResponse.clear();
    if (!m_transport)
        return -1;
    return ReadReply(m_transport->Now() + m_timeout);
}

int SmtpClient::Exchange(std::string_view bytes)
{
    m_lastResponse.clear();
    if (!m_transport)
        return -1;
    // One deadline for the whole command, whatever the server sends meanwhile.
    const Clock::time_point deadline = m_transport->Now() + m_timeout;
    if (!DiscardWaitingInput(deadline)) {
        DropConnection();
        return -1;
    }
    if (!SendAll(bytes))
        return -1;
    if (!m_transport->WaitWritable(deadline))
        return -1;
    return ReadReply(deadline);
}

int SmtpClient::ReadReply(Clock::time_point deadline)
{
    std::string first;
    bool complete = ReadLine(deadline, first);
    m_lastResponse = FromAnsi(first);
    // The continuation lines of a reply ("250-...") are read here: left waiting, any that came
    // late would be taken for the reply to the next command.
    for (std::string line = first; complete && line.size() >= 4 && line[3] == '-';)
        complete = ReadLine(deadline, line);
    if (!complete) {
        DropConnection();
        return -1;
    }
    return ReplyCode(first);
}

bool SmtpClient::ReadLine(Clock::time_point deadline, std::string& line)
{
    line.clear();
    for (;;) {
        const std::size_t end = m_received.find('\n');
        const std::size_t length = end == std::string::npos ? m_received.size() : end;
        if (line.size() < kReplyBufferSize)
            line.append(m_received, 0, std::min(length, kReplyBufferSize - line.size()));
        if (end != std::string::npos) {
            m_received.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return true;
        }
        // Past the kept part a long line is read only to find its end.
        m_received.clear();
        if (!Receive(deadline))
            return false;
    }
}

bool SmtpClient::Receive(Clock::time_point deadline)
{
    // Looked at before every read: a server that keeps sending always has the socket ready.
    if (m_transport->Now() >= deadline || !m_transport->WaitReadable(deadline))
        return false;
    char buffer[kReplyBufferSize];
    const int received = m_transport->Receive(buffer, static_cast<int>(sizeof buffer));
    if (received <= 0)
        return false;
    m_received.append(buffer, static_cast<std::size_t>(received));
    return true;
}

bool SmtpClient::SendAll(std::string_view bytes)
{
    constexpr std::size_t kPiece = 1024;
    while (!bytes.empty()) {
        const int piece = static_cast<int>(std::min(bytes.size(), kPiece));
        const int sent = m_transport->Send(bytes.data(), piece);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Late continuation lines and the like, so that they are not read as the reply to the next
// command. False when the input does not stop: past the byte limit or the deadline.
bool SmtpClient::DiscardWaitingInput(Clock::time_point deadline)
{
    m_received.clear();
    std::size_t discarded = 0;
    while (m_transport->WaitReadable(m_transport->Now())) {
        if (discarded >= kMaxDiscardedBytes || m_transport->Now() >= deadline)
            return false;
        char buffer[kReplyBufferSize];
        const int received = m_transport->Receive(buffer, static_cast<int>(sizeof buffer));
        if (received <= 0)
            return true;  // a closed connection shows in the reply
        discarded += static_cast<std::size_t>(received);
    }
    return true;
}

}  // namespace KEMail
