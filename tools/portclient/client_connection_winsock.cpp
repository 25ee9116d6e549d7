#include "tools/portclient/client_connection.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

namespace hitched {
namespace {

// Winsock must be started once per process before the first socket; never cleaned up, as the
// process ends with the tool.
bool EnsureWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SOCKET AsSocket(std::intptr_t s) {
    return static_cast<SOCKET>(s);
}

} // namespace

ClientConnection::ClientConnection() : m_socket(static_cast<std::intptr_t>(INVALID_SOCKET)) {}

ClientConnection::~ClientConnection() {
    Close();
}

bool ClientConnection::Connect(const std::string& host, std::uint16_t port, std::string* error,
                               bool narrowWindow) {
    Close();
    if (!EnsureWinsock()) {
        if (error)
            *error = "WSAStartup failed";
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const std::string ip = host == "localhost" ? "127.0.0.1" : host;
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) {
        if (error)
            *error = "not an IPv4 address: " + host;
        return false;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        if (error)
            *error = "socket failed, error " + std::to_string(WSAGetLastError());
        return false;
    }
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    if (narrowWindow) {
        // Winsock has no segment size to set; the buffer alone narrows the window.
        int bytes = 4096;
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
    }
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        int code = WSAGetLastError();
        if (error)
            *error = code == WSAECONNREFUSED ? std::string("connection refused")
                                             : "connect failed, error " + std::to_string(code);
        closesocket(s);
        return false;
    }
    m_socket = static_cast<std::intptr_t>(s);
    return true;
}

bool ClientConnection::IsConnected() const {
    return AsSocket(m_socket) != INVALID_SOCKET;
}

bool ClientConnection::Send(const std::vector<std::uint8_t>& bytes) {
    if (!IsConnected())
        return false;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(AsSocket(m_socket), reinterpret_cast<const char*>(bytes.data()) + sent,
                     static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

int ClientConnection::Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) {
    if (!IsConnected())
        return kError;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(AsSocket(m_socket), &readable);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int r = select(0, &readable, nullptr, nullptr, timeoutMs < 0 ? nullptr : &limit);
    if (r == 0)
        return kTimeout;
    if (r < 0)
        return kError;
    int n = recv(AsSocket(m_socket), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    if (n < 0)
        return kError;
    return n;
}

void ClientConnection::Reset() {
    if (!IsConnected())
        return;
    linger l{1, 0}; // close with RST
    setsockopt(AsSocket(m_socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l),
               sizeof l);
    Close();
}

void ClientConnection::Close() {
    if (IsConnected())
        closesocket(AsSocket(m_socket));
    m_socket = static_cast<std::intptr_t>(INVALID_SOCKET);
}

} // namespace hitched
