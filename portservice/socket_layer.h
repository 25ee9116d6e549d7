#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The few socket operations the port server needs, and its threads, so that the server itself
// is portable: Winsock with overlapped I/O on Windows, POSIX sockets in native builds and tests.
namespace hitched {

// Same bit pattern as Winsock's INVALID_SOCKET.
using SocketHandle = std::uintptr_t;
constexpr SocketHandle kInvalidSocket = ~SocketHandle{0};

// A wait limit that never ends (Winsock's INFINITE).
constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

// Receive status: 0, or this when the peer reset the connection.
constexpr int kRecvStatusReset = 8;

// How often a wait may run out before an operation is given up.
constexpr int kSocketWaitTries = 3;

enum class BindOutcome {
    Bound,
    AddressNotAvailable, // WSAEADDRNOTAVAIL / EADDRNOTAVAIL: the address is not this machine's
    Failed,              // anything else, a port already in use included
};

// The stack reserved for each of the server's threads. One thread serves each client, and the
// system's default (2 MB reserved on Windows, 8 MB on Linux) would be taken per connection;
// the deepest path measured, a switch message sent and a trace line written through the debug
// log under Wine, used 17 KB (12 KB natively under AddressSanitizer).
constexpr std::size_t kServerThreadStackBytes = 128 * 1024;

// One of the server's threads (see ISocketLayer::StartThread).
class ServerThread {
public:
    virtual ~ServerThread() = default;
    // Waits until the thread has ended; called once.
    virtual void Join() = 0;
};

class ISocketLayer {
public:
    virtual ~ISocketLayer() = default;

    // Winsock 2.2 start and its matching clean-up; the POSIX backend has nothing to start.
    virtual bool Startup() = 0;
    virtual void Cleanup() = 0;

    // An IPv4 TCP socket for listening (overlapped on Windows); kInvalidSocket on failure.
    virtual SocketHandle CreateListenSocket() = 0;
    // Binds without setting any socket option first; `error` receives the system's code.
    virtual BindOutcome Bind(SocketHandle listener, const std::string& ipv4Address,
                             std::uint16_t port, int* error) = 0;
    virtual bool Listen(SocketHandle listener, int backlog) = 0;
    // The port actually bound (differs from the asked one when that was 0).
    virtual std::uint16_t LocalPort(SocketHandle listener) = 0;
    // Waits for one connection; kInvalidSocket on failure. The peer address is discarded.
    virtual SocketHandle Accept(SocketHandle listener) = 0;
    // Makes a waiting or later Accept on `listener` fail promptly. Winsock has no way to do
    // that but closing the socket; then this answers true and the handle must not be closed
    // again. Otherwise it answers false and Close still follows.
    virtual bool WakeAccept(SocketHandle listener) = 0;

    // One send of all bytes, waiting at most `waitMs` per try and kSocketWaitTries tries in a
    // row; answers the bytes sent (0 when nothing was). An abandoned send is cancelled before
    // its buffers are released.
    virtual std::size_t Send(SocketHandle socket, const std::uint8_t* data, std::size_t size,
                             std::uint32_t waitMs) = 0;
    // One receive of at most `size` bytes; answers the bytes received, 0 on failure or orderly
    // close. `status` becomes kRecvStatusReset when the peer reset the connection, else 0.
    virtual std::size_t Recv(SocketHandle socket, std::uint8_t* buffer, std::size_t size,
                             int* status, std::uint32_t waitMs) = 0;

    // Wakes every send or receive waiting on `socket` and makes later ones fail at once,
    // without releasing the handle (so its value cannot be reused while threads still use it).
    virtual void Interrupt(SocketHandle socket) = 0;
    virtual void Close(SocketHandle socket) = 0;

    // Runs `body` on a new thread with a stack of kServerThreadStackBytes (a reservation where
    // the system tells reservation from commitment); null when no thread could be started.
    virtual std::unique_ptr<ServerThread> StartThread(std::function<void()> body) = 0;
};

// The backend of this build: Winsock on Windows, POSIX sockets elsewhere.
ISocketLayer& PlatformSocketLayer();

} // namespace hitched
