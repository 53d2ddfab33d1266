#include "sysproxy/AddressListChange.h"

#include "base/SystemLibrary.h"

namespace {

struct Functions {
    decltype(&::WSAStartup) WSAStartup = nullptr;
    decltype(&::WSACleanup) WSACleanup = nullptr;
    decltype(&::WSASocketW) WSASocketW = nullptr;
    decltype(&::WSAIoctl) WSAIoctl = nullptr;
    decltype(&::WSAGetLastError) WSAGetLastError = nullptr;
    decltype(&::closesocket) closesocket = nullptr;
    [[nodiscard]] bool Complete() const
    {
        return WSAStartup && WSACleanup && WSASocketW && WSAIoctl && WSAGetLastError && closesocket;
    }
};

const Functions& Loaded()
{
    static const Functions functions =
        SystemLibrary::Table<Functions>(L"ws2_32.dll", [](HMODULE module, Functions& found) {
            SystemLibrary::Find(module, "WSAStartup", found.WSAStartup);
            SystemLibrary::Find(module, "WSACleanup", found.WSACleanup);
            SystemLibrary::Find(module, "WSASocketW", found.WSASocketW);
            SystemLibrary::Find(module, "WSAIoctl", found.WSAIoctl);
            SystemLibrary::Find(module, "WSAGetLastError", found.WSAGetLastError);
            SystemLibrary::Find(module, "closesocket", found.closesocket);
        });
    return functions;
}

} // namespace

AddressListChange::AddressListChange(HANDLE event)
{
    m_wait.hEvent = event;
    const Functions& winsock = Loaded();
    WSADATA data{};
    if (event == nullptr || !winsock.Complete() || winsock.WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    m_started = true;
    m_socket = winsock.WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED);
}

AddressListChange::~AddressListChange()
{
    const Functions& winsock = Loaded();
    if (m_socket != INVALID_SOCKET) {
        // Closing ends the wait; the system writes into the OVERLAPPED as it does, so it stays
        // until then.
        winsock.closesocket(m_socket);
        if (m_pending)
            WaitForSingleObject(m_wait.hEvent, 1000);
    }
    if (m_started)
        winsock.WSACleanup();
}

bool AddressListChange::Watch()
{
    if (m_socket == INVALID_SOCKET)
        return false;
    const Functions& winsock = Loaded();
    ResetEvent(m_wait.hEvent);
    DWORD bytes = 0;
    // Done at once (the list changed already) sets the event as a pending wait would.
    m_pending = winsock.WSAIoctl(m_socket, SIO_ADDRESS_LIST_CHANGE, nullptr, 0, nullptr, 0, &bytes, &m_wait,
                                 nullptr) == 0 ||
                winsock.WSAGetLastError() == WSA_IO_PENDING;
    return m_pending;
}
