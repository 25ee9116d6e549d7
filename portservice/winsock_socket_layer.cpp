#include "portservice/winsock_socket_layer.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <process.h>

#include <memory>
#include <vector>

#include "app/trace.h"

namespace hitched {
namespace {

// Everything the system may still write to while an operation is pending. It owns the bytes
// too, so that an operation that cannot be cancelled can be abandoned whole (leaked) instead
// of leaving the system writing into freed memory.
struct OverlappedOp {
    WSAOVERLAPPED overlapped{};
    WSAEVENT event = WSA_INVALID_EVENT;
    std::vector<std::uint8_t> bytes;

    ~OverlappedOp() {
        if (event != WSA_INVALID_EVENT)
            WSACloseEvent(event);
    }
};

SOCKET ToSocket(SocketHandle handle) {
    return static_cast<SOCKET>(handle);
}

enum class Outcome { Done, Failed, Abandoned };

struct Completion {
    Outcome outcome = Outcome::Failed;
    DWORD bytes = 0;
    int error = 0;
};

// Gives up a pending operation: cancel it and wait until the system is done with it. Only then
// may its memory go; if the cancellation cannot be confirmed the memory is left to the system.
void Abandon(SOCKET socket, std::unique_ptr<OverlappedOp> op) {
    BOOL cancelled = CancelIoEx(reinterpret_cast<HANDLE>(socket), &op->overlapped);
    DWORD cancelError = cancelled ? 0 : GetLastError();
    // ERROR_NOT_FOUND: it completed meanwhile; its event is (or is about to be) signalled.
    if (cancelled || cancelError == ERROR_NOT_FOUND) {
        if (WSAWaitForMultipleEvents(1, &op->event, FALSE, 5000, FALSE) == WSA_WAIT_EVENT_0) {
            DWORD bytes = 0;
            DWORD flags = 0;
            if (WSAGetOverlappedResult(socket, &op->overlapped, &bytes, FALSE, &flags) ||
                WSAGetLastError() != WSA_IO_INCOMPLETE)
                return; // op freed here
        }
    }
    Trace(u"CPortService: an abandoned socket operation could not be cancelled; its buffer is "
          u"left to the system.");
    op.release();
}

// Steps 3 and 4 of a send or receive: wait on the event, at most kSocketWaitTries timed-out
// waits in a row; an incomplete result after a signal starts the count again.
Completion WaitForCompletion(SOCKET socket, std::unique_ptr<OverlappedOp>& op, std::uint32_t waitMs,
                             const char16_t* timeoutLine) {
    int failedWaits = 0;
    for (;;) {
        DWORD waited = WSAWaitForMultipleEvents(1, &op->event, FALSE, waitMs, FALSE);
        if (waited == WSA_WAIT_EVENT_0) {
            Completion c;
            DWORD flags = 0;
            if (WSAGetOverlappedResult(socket, &op->overlapped, &c.bytes, FALSE, &flags)) {
                c.outcome = Outcome::Done;
                return c;
            }
            c.error = WSAGetLastError();
            if (c.error == WSA_IO_INCOMPLETE) {
                failedWaits = 0;
                SwitchToThread(); // the event is still set: do not spin at full speed
                continue;
            }
            // Completed with an error: aborted by a close or a cancel (995, 10038 under Wine,
            // 10053...), reset (10054). The operation is over either way.
            return c;
        }
        if (waited == WSA_WAIT_TIMEOUT) {
            Trace(timeoutLine);
            if (++failedWaits < kSocketWaitTries)
                continue;
        }
        Completion c;
        c.outcome = Outcome::Abandoned;
        Abandon(socket, std::move(op));
        return c;
    }
}

std::unique_ptr<OverlappedOp> NewOp(std::size_t size) {
    auto op = std::make_unique<OverlappedOp>();
    op->event = WSACreateEvent();
    if (op->event == WSA_INVALID_EVENT)
        return nullptr;
    op->overlapped.hEvent = op->event;
    op->bytes.resize(size);
    return op;
}

class Win32ServerThread : public ServerThread {
public:
    explicit Win32ServerThread(std::function<void()> body) : m_body(std::move(body)) {}
    ~Win32ServerThread() override {
        if (m_handle != nullptr)
            CloseHandle(m_handle); // never joined: the thread runs on, detached
    }

    bool Start() {
        // A reservation: without the flag the size would be the stack's commitment, and the
        // executable's reservation (2 MB) would stay.
        std::uintptr_t handle = _beginthreadex(nullptr, kServerThreadStackBytes, &Run, this,
                                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        m_handle = reinterpret_cast<HANDLE>(handle);
        return m_handle != nullptr;
    }

    void Join() override {
        if (m_handle == nullptr)
            return;
        WaitForSingleObject(m_handle, INFINITE);
        CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    static unsigned __stdcall Run(void* self) {
        // The body goes when it has run, with whatever it holds, as a thread's arguments do.
        std::function<void()> body = std::move(static_cast<Win32ServerThread*>(self)->m_body);
        body();
        return 1;
    }

    std::function<void()> m_body;
    HANDLE m_handle = nullptr;
};

} // namespace

std::unique_ptr<ServerThread> WinsockSocketLayer::StartThread(std::function<void()> body) {
    auto thread = std::make_unique<Win32ServerThread>(std::move(body));
    if (!thread->Start())
        return nullptr;
    return thread;
}

bool WinsockSocketLayer::Startup() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void WinsockSocketLayer::Cleanup() {
    WSACleanup();
}

SocketHandle WinsockSocketLayer::CreateListenSocket() {
    SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED);
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
}

BindOutcome WinsockSocketLayer::Bind(SocketHandle listener, const std::string& ipv4Address,
                                     std::uint16_t port, int* error) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    int code = 0;
    if (inet_pton(AF_INET, ipv4Address.c_str(), &address.sin_addr) != 1)
        code = WSAEINVAL;
    else if (bind(ToSocket(listener), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        code = WSAGetLastError();
    if (error != nullptr)
        *error = code;
    if (code == 0)
        return BindOutcome::Bound;
    return code == WSAEADDRNOTAVAIL ? BindOutcome::AddressNotAvailable : BindOutcome::Failed;
}

bool WinsockSocketLayer::Listen(SocketHandle listener, int backlog) {
    return listen(ToSocket(listener), backlog) == 0;
}

std::uint16_t WinsockSocketLayer::LocalPort(SocketHandle listener) {
    sockaddr_in address{};
    int length = sizeof address;
    if (getsockname(ToSocket(listener), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

SocketHandle WinsockSocketLayer::Accept(SocketHandle listener) {
    SOCKET s = accept(ToSocket(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
}

bool WinsockSocketLayer::WakeAccept(SocketHandle listener) {
    // Closing is the only way to wake a blocking accept (Windows answers 10004, Wine 995
    // about a second later).
    closesocket(ToSocket(listener));
    return true;
}

std::size_t WinsockSocketLayer::Send(SocketHandle socket, const std::uint8_t* data,
                                     std::size_t size, std::uint32_t waitMs) {
    SOCKET s = ToSocket(socket);
    std::unique_ptr<OverlappedOp> op = NewOp(size);
    if (!op)
        return 0;
    std::copy(data, data + size, op->bytes.begin());
    WSABUF buffer{static_cast<ULONG>(size), reinterpret_cast<CHAR*>(op->bytes.data())};
    DWORD sent = 0;
    if (WSASend(s, &buffer, 1, &sent, 0, &op->overlapped, nullptr) == 0)
        return sent;
    if (WSAGetLastError() != WSA_IO_PENDING)
        return 0;
    Completion c = WaitForCompletion(s, op, waitMs, u"CPortService::send_data() Timeout.");
    return c.outcome == Outcome::Done ? c.bytes : 0;
}

std::size_t WinsockSocketLayer::Recv(SocketHandle socket, std::uint8_t* buffer, std::size_t size,
                                     int* status, std::uint32_t waitMs) {
    *status = 0;
    SOCKET s = ToSocket(socket);
    std::unique_ptr<OverlappedOp> op = NewOp(size);
    if (!op)
        return 0;
    WSABUF wsaBuffer{static_cast<ULONG>(size), reinterpret_cast<CHAR*>(op->bytes.data())};
    DWORD received = 0;
    DWORD flags = 0;
    Completion c;
    if (WSARecv(s, &wsaBuffer, 1, &received, &flags, &op->overlapped, nullptr) == 0) {
        c.outcome = Outcome::Done;
        c.bytes = received;
    } else {
        int error = WSAGetLastError();
        if (error == WSA_IO_PENDING)
            c = WaitForCompletion(s, op, waitMs, u"CPortService::recv_data() Timeout.");
        else
            c.error = error;
    }
    if (c.outcome == Outcome::Failed && c.error == WSAECONNRESET)
        *status = kRecvStatusReset;
    if (c.outcome != Outcome::Done)
        return 0;
    std::size_t n = c.bytes < size ? c.bytes : size;
    std::copy(op->bytes.begin(), op->bytes.begin() + n, buffer);
    return n;
}

void WinsockSocketLayer::Interrupt(SocketHandle socket) {
    // shutdown makes later sends and receives fail at once; CancelIoEx ends the ones already
    // waiting. The handle itself stays valid until Close.
    SOCKET s = ToSocket(socket);
    shutdown(s, SD_BOTH);
    CancelIoEx(reinterpret_cast<HANDLE>(s), nullptr);
}

void WinsockSocketLayer::Close(SocketHandle socket) {
    if (socket != kInvalidSocket)
        closesocket(ToSocket(socket));
}

ISocketLayer& PlatformSocketLayer() {
    static WinsockSocketLayer layer;
    return layer;
}

} // namespace hitched
