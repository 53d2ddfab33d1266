#include "mail/SocketTransport.h"

#include "mail/KEmailException.h"
#include "mail/SmtpClient.h"
#include "mail/TextConversion.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <iterator>

namespace KEMail {
namespace {

using Clock = std::chrono::steady_clock;

using AddressList = UniqueHandle<NullableTraits<addrinfo*, &freeaddrinfo>>;

timeval Remaining(Clock::time_point deadline)
{
    const auto left = std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count());
    timeval value{};
    value.tv_sec = static_cast<long>(left / 1'000'000);
    value.tv_usec = static_cast<long>(left % 1'000'000);
    return value;
}

std::wstring SystemErrorText(int error)
{
    wchar_t text[512] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                        static_cast<DWORD>(std::size(text)), nullptr);
    std::wstring message(text, length);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    if (message.empty())
        message = L"Socket error " + std::to_wstring(error);
    return message;
}

// The hello names the client by the address literal of its end of the connection, which is
// valid syntax whatever the machine's own name is.
std::wstring AddressLiteral(SOCKET socket)
{
    sockaddr_in local{};
    int length = sizeof local;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return L"[127.0.0.1]";
    const auto* bytes = reinterpret_cast<const unsigned char*>(&local.sin_addr);
    return L"[" + std::to_wstring(bytes[0]) + L"." + std::to_wstring(bytes[1]) + L"." + std::to_wstring(bytes[2]) +
           L"." + std::to_wstring(bytes[3]) + L"]";
}

}  // namespace

SmtpClient::SmtpClient() : SmtpClient(std::make_unique<SocketConnector>()) {}

std::unique_ptr<SmtpTransport> SocketConnector::Connect(const std::wstring& server, std::uint16_t port,
                                                        std::chrono::milliseconds timeout)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(ToAnsi(server).c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        throw KEmailException(L"Can't resolve hostname");
    const AddressList list(found);
    sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(list.Get()->ai_addr);
    address.sin_port = htons(port);

    SocketHandle socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket)
        throw KEmailException(L"Can't create client socket");

    // Connecting without blocking lets the time-out bound an unanswered connection attempt too.
    u_long nonBlocking = 1;
    ioctlsocket(socket.Get(), FIONBIO, &nonBlocking);
    int error = 0;
    if (connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            fd_set writable;
            fd_set failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(socket.Get(), &writable);
            FD_SET(socket.Get(), &failed);
            timeval wait = Remaining(Clock::now() + timeout);
            const int ready = select(0, nullptr, &writable, &failed, &wait);
            error = 0;
            if (ready == 0) {
                error = WSAETIMEDOUT;
            } else if (ready < 0) {
                error = WSAGetLastError();
            } else if (FD_ISSET(socket.Get(), &failed)) {
                int length = sizeof error;
                getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
                if (error == 0)
                    error = WSAECONNREFUSED;
            }
        }
    }
    if (error != 0)
        throw KEmailException(SystemErrorText(error));
    nonBlocking = 0;
    ioctlsocket(socket.Get(), FIONBIO, &nonBlocking);
    // A server that stops reading must not hold a send for ever.
    const DWORD sendTimeout = static_cast<DWORD>(timeout.count());
    setsockopt(socket.Get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout),
               sizeof sendTimeout);
    return std::make_unique<SocketTransport>(std::move(socket));
}

bool SocketTransport::WaitReadable(Clock::time_point deadline)
{
    return WaitFor(Wait::Readable, deadline);
}

bool SocketTransport::WaitWritable(Clock::time_point deadline)
{
    return WaitFor(Wait::Writable, deadline);
}

int SocketTransport::Receive(char* buffer, int count)
{
    return recv(m_socket.Get(), buffer, count, 0);
}

int SocketTransport::Send(const char* bytes, int count)
{
    const int sent = send(m_socket.Get(), bytes, count, 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

std::wstring SocketTransport::LocalAddressLiteral()
{
    return AddressLiteral(m_socket.Get());
}

void SocketTransport::Shutdown()
{
    shutdown(m_socket.Get(), SD_BOTH);
}

bool SocketTransport::WaitFor(Wait wait, Clock::time_point deadline)
{
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(m_socket.Get(), &set);
        timeval left = Remaining(deadline);
        const int ready = select(0, wait == Wait::Readable ? &set : nullptr, wait == Wait::Writable ? &set : nullptr,
                                 nullptr, &left);
        if (ready > 0)
            return true;
        if (ready < 0 || Clock::now() >= deadline)
            return false;
    }
}

}  // namespace KEMail
