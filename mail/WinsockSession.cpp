#include "mail/WinsockSession.h"

#include <winsock2.h>

namespace KEMail {

WinsockSession::WinsockSession()
{
    WSADATA data{};
    m_started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

WinsockSession::~WinsockSession()
{
    if (m_started)
        WSACleanup();
}

}  // namespace KEMail
