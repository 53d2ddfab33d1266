#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace KEMail {

// One connection to a mail server as the SMTP exchange uses it, with the clock its deadlines are
// counted on. SocketTransport is the real one.
class SmtpTransport {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~SmtpTransport() = default;

    [[nodiscard]] virtual Clock::time_point Now() = 0;
    // True once bytes can be read (or the server closed), false at the deadline or on an error.
    [[nodiscard]] virtual bool WaitReadable(Clock::time_point deadline) = 0;
    [[nodiscard]] virtual bool WaitWritable(Clock::time_point deadline) = 0;
    // Bytes received, up to count; 0 when the server closed, below 0 on an error.
    [[nodiscard]] virtual int Receive(char* buffer, int count) = 0;
    // Bytes sent, at most count; 0 or below on an error.
    [[nodiscard]] virtual int Send(const char* bytes, int count) = 0;
    // The client's end of the connection as an address literal for the hello: "[192.0.2.1]".
    [[nodiscard]] virtual std::wstring LocalAddressLiteral() = 0;
    // Nothing more goes either way.
    virtual void Shutdown() = 0;
};

// Opens connections; throws KEmailException when it cannot.
class SmtpConnector {
public:
    virtual ~SmtpConnector() = default;
    [[nodiscard]] virtual std::unique_ptr<SmtpTransport> Connect(const std::wstring& server, std::uint16_t port,
                                                                 std::chrono::milliseconds timeout) = 0;
};

}  // namespace KEMail
