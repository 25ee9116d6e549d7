#include "tools/portclient/client_connection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hitched {

ClientConnection::ClientConnection() : m_socket(-1) {}

ClientConnection::~ClientConnection() {
    Close();
}

bool ClientConnection::Connect(const std::string& host, std::uint16_t port, std::string* error,
                               bool narrowWindow) {
    Close();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const std::string ip = host == "localhost" ? "127.0.0.1" : host;
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) {
        if (error)
            *error = "not an IPv4 address: " + host;
        return false;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        if (error)
            *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (narrowWindow) {
        int bytes = 4096, segment = 536;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
        ::setsockopt(fd, IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (error)
            *error = std::strerror(errno);
        ::close(fd);
        return false;
    }
    m_socket = fd;
    return true;
}

bool ClientConnection::IsConnected() const {
    return m_socket >= 0;
}

bool ClientConnection::Send(const std::vector<std::uint8_t>& bytes) {
    if (m_socket < 0)
        return false;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(static_cast<int>(m_socket), bytes.data() + sent, bytes.size() - sent,
                           MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

int ClientConnection::Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) {
    if (m_socket < 0)
        return kError;
    pollfd p{static_cast<int>(m_socket), POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r == 0)
        return kTimeout;
    if (r < 0)
        return kError;
    ssize_t n;
    do {
        n = ::recv(static_cast<int>(m_socket), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return kError;
    return static_cast<int>(n);
}

void ClientConnection::Reset() {
    if (m_socket < 0)
        return;
    linger l{1, 0}; // close with RST
    ::setsockopt(static_cast<int>(m_socket), SOL_SOCKET, SO_LINGER, &l, sizeof l);
    Close();
}

void ClientConnection::Close() {
    if (m_socket >= 0)
        ::close(static_cast<int>(m_socket));
    m_socket = -1;
}

} // namespace hitched
