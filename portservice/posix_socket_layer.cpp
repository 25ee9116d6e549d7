#include "portservice/posix_socket_layer.h"

#include "app/trace.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hitched {
namespace {

int ToFd(SocketHandle socket) {
    return socket == kInvalidSocket ? -1 : static_cast<int>(socket);
}

int ToPollTimeout(std::uint32_t waitMs) {
    if (waitMs == kWaitForever)
        return -1;
    return waitMs > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(waitMs);
}

// Waits for `events` on the socket: 1 ready, 0 the limit ran out, -1 failure.
int WaitFor(int fd, short events, std::uint32_t waitMs) {
    for (;;) {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, ToPollTimeout(waitMs));
        if (r < 0 && errno == EINTR)
            continue;
        return r < 0 ? -1 : (r == 0 ? 0 : 1);
    }
}

class PosixServerThread : public ServerThread {
public:
    explicit PosixServerThread(std::function<void()> body) : m_body(std::move(body)) {}
    ~PosixServerThread() override {
        if (m_started && !m_joined)
            ::pthread_detach(m_thread);
    }

    bool Start() {
        pthread_attr_t attributes;
        ::pthread_attr_init(&attributes);
        ::pthread_attr_setstacksize(&attributes, kServerThreadStackBytes);
        int error = ::pthread_create(&m_thread, &attributes, &Run, this);
        ::pthread_attr_destroy(&attributes);
        // The C library carves the thread-local storage out of the stack too; where that
        // leaves too little (a sanitizer's large TLS), the system's default stack serves.
        if (error == EINVAL)
            error = ::pthread_create(&m_thread, nullptr, &Run, this);
        m_started = error == 0;
        return m_started;
    }

    void Join() override {
        if (m_started && !m_joined)
            ::pthread_join(m_thread, nullptr);
        m_joined = true;
    }

private:
    static void* Run(void* self) {
        // The body goes when it has run, with whatever it holds, as a thread's arguments do.
        std::function<void()> body = std::move(static_cast<PosixServerThread*>(self)->m_body);
        body();
        return nullptr;
    }

    std::function<void()> m_body;
    pthread_t m_thread{};
    bool m_started = false;
    bool m_joined = false;
};

} // namespace

std::unique_ptr<ServerThread> PosixSocketLayer::StartThread(std::function<void()> body) {
    auto thread = std::make_unique<PosixServerThread>(std::move(body));
    if (!thread->Start())
        return nullptr;
    return thread;
}

SocketHandle PosixSocketLayer::CreateListenSocket() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    return fd < 0 ? kInvalidSocket : static_cast<SocketHandle>(fd);
}

BindOutcome PosixSocketLayer::Bind(SocketHandle listener, const std::string& ipv4Address,
                                   std::uint16_t port, int* error) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    int code = 0;
    if (::inet_pton(AF_INET, ipv4Address.c_str(), &address.sin_addr) != 1)
        code = EINVAL;
    else if (::bind(ToFd(listener), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        code = errno;
    if (error != nullptr)
        *error = code;
    if (code == 0)
        return BindOutcome::Bound;
    return code == EADDRNOTAVAIL ? BindOutcome::AddressNotAvailable : BindOutcome::Failed;
}

bool PosixSocketLayer::Listen(SocketHandle listener, int backlog) {
    return ::listen(ToFd(listener), backlog) == 0;
}

std::uint16_t PosixSocketLayer::LocalPort(SocketHandle listener) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(ToFd(listener), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

SocketHandle PosixSocketLayer::Accept(SocketHandle listener) {
    int fd;
    do {
        fd = ::accept4(ToFd(listener), nullptr, nullptr, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd == 0) {
        // Holds are recorded under the socket number and 0 means "nobody"; a process started
        // with stdin closed could otherwise be handed socket 0.
        int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        fd = moved;
    }
    return fd < 0 ? kInvalidSocket : static_cast<SocketHandle>(fd);
}

bool PosixSocketLayer::WakeAccept(SocketHandle listener) {
    // On Linux shutting a listening socket down makes accept() fail at once with EINVAL; the
    // descriptor stays ours until Close, so a late accept() cannot land on a reused number.
    ::shutdown(ToFd(listener), SHUT_RDWR);
    return false;
}

std::size_t PosixSocketLayer::Send(SocketHandle socket, const std::uint8_t* data, std::size_t size,
                                   std::uint32_t waitMs) {
    int fd = ToFd(socket);
    if (fd < 0)
        return 0;
    std::size_t sent = 0;
    int failedWaits = 0;
    while (sent < size) {
        int ready = WaitFor(fd, POLLOUT, waitMs);
        if (ready < 0)
            return sent;
        if (ready == 0) {
            Trace(u"CPortService::send_data() Timeout.");
            if (++failedWaits == kSocketWaitTries)
                return sent;
            continue;
        }
        ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            return sent;
        }
        sent += static_cast<std::size_t>(n);
        failedWaits = 0;
    }
    return sent;
}

std::size_t PosixSocketLayer::Recv(SocketHandle socket, std::uint8_t* buffer, std::size_t size,
                                   int* status, std::uint32_t waitMs) {
    *status = 0;
    int fd = ToFd(socket);
    if (fd < 0)
        return 0;
    int failedWaits = 0;
    for (;;) {
        int ready = WaitFor(fd, POLLIN, waitMs);
        if (ready < 0)
            return 0;
        if (ready == 0) {
            Trace(u"CPortService::recv_data() Timeout.");
            if (++failedWaits == kSocketWaitTries)
                return 0;
            continue;
        }
        ssize_t n = ::recv(fd, buffer, size, MSG_DONTWAIT);
        if (n > 0)
            return static_cast<std::size_t>(n);
        if (n == 0)
            return 0;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            continue;
        if (errno == ECONNRESET)
            *status = kRecvStatusReset;
        return 0;
    }
}

void PosixSocketLayer::Interrupt(SocketHandle socket) {
    // shutdown() wakes poll() and makes later receives answer 0 and sends fail, while the
    // descriptor number stays taken until Close.
    if (socket != kInvalidSocket)
        ::shutdown(ToFd(socket), SHUT_RDWR);
}

void PosixSocketLayer::Close(SocketHandle socket) {
    if (socket != kInvalidSocket)
        ::close(ToFd(socket));
}

ISocketLayer& PlatformSocketLayer() {
    static PosixSocketLayer layer;
    return layer;
}

} // namespace hitched
