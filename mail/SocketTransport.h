#pragma once
// Windows Sockets 2 comes before windows.h, which would otherwise bring in the older header.
#include "mail/SocketHandle.h"
#include "mail/WinsockSession.h"

#include "mail/SmtpTransport.h"

namespace KEMail {

// A connected TCP socket as the SMTP exchange's transport, on the steady clock.
class SocketTransport final : public SmtpTransport {
public:
    explicit SocketTransport(SocketHandle socket) : m_socket(std::move(socket)) {}

    [[nodiscard]] Clock::time_point Now() override { return Clock::now(); }
    [[nodiscard]] bool WaitReadable(Clock::time_point deadline) override;
    [[nodiscard]] bool WaitWritable(Clock::time_point deadline) override;
    [[nodiscard]] int Receive(char* buffer, int count) override;
    [[nodiscard]] int Send(const char* bytes, int count) override;
    [[nodiscard]] std::wstring LocalAddressLiteral() override;
    void Shutdown() override;

private:
    enum class Wait { Readable, Writable };
    bool WaitFor(Wait wait, Clock::time_point deadline);

    SocketHandle m_socket;
};

// Resolves the server's name and connects within the time-out; Windows Sockets stay started for
// as long as the connector lives.
class SocketConnector final : public SmtpConnector {
public:
    [[nodiscard]] std::unique_ptr<SmtpTransport> Connect(const std::wstring& server, std::uint16_t port,
                                                         std::chrono::milliseconds timeout) override;

private:
    WinsockSession m_winsock;
};

}  // namespace KEMail
