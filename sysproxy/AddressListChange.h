#pragma once
#include <winsock2.h>
#include <windows.h>

// Winsock's notice that the list of IPv4 addresses changed (SIO_ADDRESS_LIST_CHANGE on a socket of
// its own), from ws2_32.dll loaded on first use: for the systems where the IP helper's own notice
// never comes. The event given is set on the change; Watch arms it again for the next.
class AddressListChange {
public:
    explicit AddressListChange(HANDLE event);
    ~AddressListChange();
    AddressListChange(const AddressListChange&) = delete;
    AddressListChange& operator=(const AddressListChange&) = delete;

    // False when the notice cannot be asked for: the caller then looks for itself.
    [[nodiscard]] bool Watch();

private:
    SOCKET m_socket = INVALID_SOCKET;
    WSAOVERLAPPED m_wait{};
    bool m_pending = false;
    bool m_started = false;
};
