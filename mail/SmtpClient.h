#pragma once
#include "mail/MailMessage.h"
#include "mail/SmtpTransport.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace KEMail {

// A blocking SMTP client for one message at a time. Every command waits for its reply under the
// time-out; errors that end the exchange are thrown as KEmailException.
class SmtpClient {
public:
    static constexpr std::uint16_t kDefaultPort = 25;
    static constexpr std::chrono::milliseconds kDefaultTimeout{30'000};
    // A server that keeps answering MAIL FROM with 530 gets this many logins, then the refusal.
    static constexpr int kMaxLoginAttempts = 1;
    // Only this much of a reply's first line is kept in LastResponse.
    static constexpr std::size_t kReplyBufferSize = 1024;
    // Unasked-for input beyond this, waiting before a command, is taken for a server that never stops.
    static constexpr std::size_t kMaxDiscardedBytes = 64 * 1024;

    // Connects through Windows Sockets (SocketTransport.cpp).
    SmtpClient();
    explicit SmtpClient(std::unique_ptr<SmtpConnector> connector);
    ~SmtpClient();
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;

    // Connects when not connected and sends. False only without a message.
    bool Send(MailMessage* message, const std::wstring& server, std::uint16_t port, const std::wstring& user,
              const std::wstring& password);
    // Sends over the existing connection.
    bool Send(MailMessage* message, const std::wstring& user, const std::wstring& password);

    void Connect(const std::wstring& server, std::uint16_t port = kDefaultPort);
    bool SendMail(MailMessage* message);
    // The last reply of the login exchange, or 1 when there was no user name or the login was refused.
    [[nodiscard]] int Authenticate();
    void Disconnect();

    // One command and its reply code; -1 when no complete reply arrived in time, which also drops
    // the connection.
    [[nodiscard]] int SendCommand(const std::wstring& command);
    // The reply to nothing sent: the greeting.
    [[nodiscard]] int SendCommand();

    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    [[nodiscard]] const std::wstring& LastResponse() const { return m_lastResponse; }
    [[nodiscard]] bool IsConnected() const { return m_connected; }
    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    using Clock = SmtpTransport::Clock;

    [[nodiscard]] int Exchange(std::string_view bytes);
    int ReadReply(Clock::time_point deadline);
    bool ReadLine(Clock::time_point deadline, std::string& line);
    bool Receive(Clock::time_point deadline);
    bool SendAll(std::string_view bytes);
    [[nodiscard]] bool DiscardWaitingInput(Clock::time_point deadline);
    void DropConnection();
    void Hello();
    void SendMailFrom();
    [[nodiscard]] int AnswerChallenges(int reply);
    [[noreturn]] void Fail(const std::wstring& message);

    std::unique_ptr<SmtpConnector> m_connector;
    std::unique_ptr<SmtpTransport> m_transport;
    bool m_connected = false;
    std::uint16_t m_port = kDefaultPort;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
    std::wstring m_lastResponse;
    std::string m_received;  // bytes that arrived after the line last read
    MailMessage* m_message = nullptr;
    std::wstring m_user;
    std::wstring m_password;
};

}  // namespace KEMail
