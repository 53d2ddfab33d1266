#pragma once
#include <winsock2.h>

namespace KEMail {

// Owns one socket and closes it once.
class SocketHandle {
public:
    SocketHandle() = default;
    explicit SocketHandle(SOCKET socket) : m_socket(socket) {}
    ~SocketHandle() { Reset(); }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    SocketHandle(SocketHandle&& other) noexcept : m_socket(other.m_socket) { other.m_socket = INVALID_SOCKET; }
    SocketHandle& operator=(SocketHandle&& other) noexcept;

    [[nodiscard]] SOCKET Get() const { return m_socket; }
    [[nodiscard]] bool IsOpen() const { return m_socket != INVALID_SOCKET; }
    void Reset(SOCKET socket = INVALID_SOCKET);

private:
    SOCKET m_socket = INVALID_SOCKET;
};

}  // namespace KEMail
