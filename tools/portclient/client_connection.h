#pragma once
// A plain blocking TCP connection for clients of the port service (the portclient tool, the
// tests and the benchmarks): connect, send one message, receive with a time limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hitched {

class ClientConnection {
public:
    enum : int { kClosed = 0, kError = -1, kTimeout = -2 };

    ClientConnection();
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    // IPv4 address or "localhost"; `error` receives a readable reason on failure. A narrow
    // window (a 4 KB receive buffer, 536-byte segments) lets a client that stops reading
    // stall the server within about 100 KB, as on a real network, where loopback's 64 KB
    // segments would let the server's buffer grow to megabytes first.
    bool Connect(const std::string& host, std::uint16_t port, std::string* error,
                 bool narrowWindow = false);
    bool IsConnected() const;
    // All bytes in one send call (the server takes one read for one request).
    bool Send(const std::vector<std::uint8_t>& bytes);
    // Bytes received (> 0), kClosed, kError or kTimeout.
    int Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs);
    // Ends the connection with a reset instead of an orderly close.
    void Reset();
    void Close();

private:
    std::intptr_t m_socket;
};

} // namespace hitched
