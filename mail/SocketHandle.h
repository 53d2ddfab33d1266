#pragma once
#include "base/UniqueHandle.h"

#include <winsock2.h>

namespace KEMail {

struct SocketTraits {
    using Type = SOCKET;
    static Type Empty() { return INVALID_SOCKET; }
    static bool Holds(Type socket) { return socket != INVALID_SOCKET; }
    static void Close(Type socket) { closesocket(socket); }
};
// Owns one socket and closes it once.
using SocketHandle = UniqueHandle<SocketTraits>;

}  // namespace KEMail
