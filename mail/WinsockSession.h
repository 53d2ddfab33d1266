#pragma once

namespace KEMail {

// Windows Sockets started for as long as the object lives.
class WinsockSession {
public:
    WinsockSession();
    ~WinsockSession();
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;

private:
    bool m_started = false;
};

}  // namespace KEMail
