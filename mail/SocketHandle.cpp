#include "mail/SocketHandle.h"

namespace KEMail {

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept
{
    if (this != &other) {
        Reset(other.m_socket);
        other.m_socket = INVALID_SOCKET;
    }
    return *this;
}

void SocketHandle::Reset(SOCKET socket)
{
    if (m_socket != INVALID_SOCKET)
        closesocket(m_socket);
    m_socket = socket;
}

}  // namespace KEMail
