#pragma once
#include "portservice/socket_layer.h"

namespace hitched {

// POSIX sockets with poll() for the wait limits: the native backend the tests and the
// ThreadSanitizer runs use. Stateless, so one instance serves every server.
class PosixSocketLayer : public ISocketLayer {
public:
    bool Startup() override { return true; }
    void Cleanup() override {}
    SocketHandle CreateListenSocket() override;
    BindOutcome Bind(SocketHandle listener, const std::string& ipv4Address, std::uint16_t port,
                     int* error) override;
    bool Listen(SocketHandle listener, int backlog) override;
    std::uint16_t LocalPort(SocketHandle listener) override;
    SocketHandle Accept(SocketHandle listener) override;
    bool WakeAccept(SocketHandle listener) override;
    std::size_t Send(SocketHandle socket, const std::uint8_t* data, std::size_t size,
                     std::uint32_t waitMs) override;
    std::size_t Recv(SocketHandle socket, std::uint8_t* buffer, std::size_t size, int* status,
                     std::uint32_t waitMs) override;
    void Interrupt(SocketHandle socket) override;
    void Close(SocketHandle socket) override;
    std::unique_ptr<ServerThread> StartThread(std::function<void()> body) override;
};

} // namespace hitched
