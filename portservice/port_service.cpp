#include "portservice/port_service.h"

#include "portservice/port_service_parts.h"

#include <chrono>
#include <cstring>
#include <set>

#include "app/trace.h"
#include "portservice/protocol.h"

using hitched::kInvalidSocket;
using hitched::SocketHandle;
using hitched::Trace;

namespace {

// The holds of a connection are recorded under its socket, as the table's owner field says.
hitched::ClientId OwnerIdOf(SocketHandle socket) {
    return static_cast<hitched::ClientId>(socket);
}

// The text of one read: UTF-16LE up to the first NUL unit, an odd last byte ignored.
std::u16string RequestText(const std::uint8_t* bytes, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0)
            break;
        text += unit;
    }
    return text;
}

} // namespace

CPortService::CPortService(hitched::IPortServiceOwner& owner, hitched::ISocketLayer& sockets,
                           hitched::PortServiceConfig config)
    : m_owner(owner), m_sockets(sockets), m_config(std::move(config)) {
    // A failed start shows later, as a bind failure.
    m_bWsaStarted = m_sockets.Startup() ? 1 : 0;
}

CPortService::~CPortService() {
    StopServer();
}

bool CPortService::StartServer() {
    if (m_acceptThread)
        return true;
    if (m_bRunning.load() == 0)
        return false; // stopped for good: a stopped server does not come back
    if (m_bWsaStarted == 0)
        m_bWsaStarted = m_sockets.Startup() ? 1 : 0;
    if (m_sListen != kInvalidSocket) {
        // Left by an earlier failed bind.
        m_sockets.Close(m_sListen);
        m_sListen = kInvalidSocket;
    }
    m_sListen = m_sockets.CreateListenSocket();

    int error = 0;
    hitched::BindOutcome outcome = hitched::BindOutcome::Failed;
    if (m_sListen != kInvalidSocket)
        outcome = m_sockets.Bind(m_sListen, m_config.bindAddress, m_config.port, &error);
    // A listen that fails right after a good bind is as fatal as the bind itself.
    if (outcome == hitched::BindOutcome::Bound && !m_sockets.Listen(m_sListen, m_config.backlog))
        outcome = hitched::BindOutcome::Failed;
    if (outcome != hitched::BindOutcome::Bound) {
        // Whoever waits for this program to come up must not wait for ever.
        m_owner.SignalStarted();
        if (outcome == hitched::BindOutcome::AddressNotAvailable)
            Trace(u"ERROR:==================Firewall blocked the Hitched.");
        else
            Trace(u"ERROR:==================Bind server socket failed.");
        return false;
    }
    m_boundPort = m_sockets.LocalPort(m_sListen);
    m_pushThread = m_sockets.StartThread([this] { PushThread(); });
    const SocketHandle listener = m_sListen;
    m_acceptThread = m_sockets.StartThread([this, listener] { AcceptClientThread(listener); });
    if (!m_acceptThread || !m_pushThread) {
        m_owner.SignalStarted();
        Trace(u"ERROR:==================No thread to accept clients or to push.");
        return false;
    }
    return true;
}

void CPortService::StopServer() {
    std::vector<ConnectionPtr> connections;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bRunning.store(0);
        connections.swap(m_vecClients);
    }
    m_stateChanged.notify_all();
    StopPushThread();

    // Wake every connection thread from its endless receive (and any push stuck in a send);
    // each thread then frees its holds and closes its own socket.
    for (const ConnectionPtr& connection : connections) {
        std::lock_guard<std::mutex> state(connection->stateLock);
        if (!connection->closed)
            m_sockets.Interrupt(connection->socket);
    }
    bool listenerReleased = false;
    if (m_sListen != kInvalidSocket && m_acceptThread)
        listenerReleased = m_sockets.WakeAccept(m_sListen);

    WaitForThreads(connections);

    m_table.Clear();
    if (m_sListen != kInvalidSocket) {
        if (!listenerReleased)
            m_sockets.Close(m_sListen);
        m_sListen = kInvalidSocket;
    }
    if (m_bWsaStarted == 1) {
        m_sockets.Cleanup();
        m_bWsaStarted = 0;
    }
}

void CPortService::WaitForThreads(const std::vector<ConnectionPtr>& connections) {
    // The accept thread first: once it has ended no connection can be added any more.
    auto allEnded = [&](const std::vector<ConnectionPtr>& all) {
        if (m_acceptThread && !m_acceptEnded.load())
            return false;
        for (const ConnectionPtr& c : all)
            if (!c->finished.load())
                return false;
        return true;
    };
    std::vector<ConnectionPtr> all;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_lock);
            all = connections;
            all.insert(all.end(), m_ended.begin(), m_ended.end());
            if (allEnded(all))
                break;
            m_stateChanged.wait_for(lock, std::chrono::milliseconds(10));
        }
        // Outside the lock: the owner may run a connection thread's pending call here.
        m_owner.ServePendingCalls();
    }
    if (m_acceptThread) {
        m_acceptThread->Join();
        m_acceptThread.reset();
    }
    std::set<Connection*> joined;
    for (const ConnectionPtr& c : all) {
        if (joined.insert(c.get()).second && c->thread)
            c->thread->Join();
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_ended.clear();
}

void CPortService::Pause(std::uint32_t ms) {
    if (ms == 0)
        return;
    std::unique_lock<std::mutex> lock(m_lock);
    m_stateChanged.wait_for(lock, std::chrono::milliseconds(ms),
                            [this] { return m_bRunning.load() == 0; });
}

std::size_t CPortService::ClientCount() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_vecClients.size();
}

void CPortService::AcceptClientThread(SocketHandle listener) {
    while (m_bRunning.load() == 1) {
        SocketHandle socket = m_sockets.Accept(listener);
        ReapEndedConnections();
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_bRunning.load() == 0) {
                // Woken by StopServer (Wine reports 995 here, Windows 10004, Linux EINVAL):
                // whatever the code, a connection that came in meanwhile is not served.
                if (socket != kInvalidSocket)
                    m_sockets.Close(socket);
                break;
            }
            ServeOrRefuse(socket);
        }
        Pause(m_config.timing.acceptPauseMs);
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_acceptEnded.store(true);
    }
    m_stateChanged.notify_all();
}

void CPortService::ServeOrRefuse(SocketHandle socket) {
    // Under m_lock. Beyond the cap a peer gets no threads: it is closed at once.
    if (m_vecClients.size() >= m_config.maxClients) {
        Trace(u"AcceptClientThread: %d clients already, a new connection is closed.",
              static_cast<int>(m_vecClients.size()));
        if (socket != kInvalidSocket)
            m_sockets.Close(socket);
        return;
    }
    // A failed accept is listed too; its thread ends at its first read.
    auto connection = std::make_shared<Connection>(socket);
    ++m_connectionThreads;
    connection->writer = m_sockets.StartThread([this, connection] { WriterThread(connection); });
    if (connection->writer)
        connection->thread =
            m_sockets.StartThread([this, connection] { ProcessConnectedPhoneThread(connection); });
    if (connection->thread) {
        m_vecClients.push_back(connection);
        return;
    }
    --m_connectionThreads;
    // No thread to serve it (the system is out of them): refuse the connection.
    Trace(u"AcceptClientThread: no thread for a new client.");
    if (connection->writer) {
        StopWriter(*connection);
        connection->writer->Join();
    }
    if (socket != kInvalidSocket)
        m_sockets.Close(socket);
}

void CPortService::ReapEndedConnections() {
    std::vector<ConnectionPtr> done;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (auto it = m_ended.begin(); it != m_ended.end();) {
            if ((*it)->finished.load()) {
                done.push_back(*it);
                it = m_ended.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const ConnectionPtr& c : done)
        c->thread->Join();
}

void CPortService::ProcessConnectedPhoneThread(ConnectionPtr connection) {
    Trace(u"ProcessConnectedPhoneThread begin");
    std::uint8_t buffer[hitched::kMaxRequestBytes];
    for (;;) {
        Trace(u"recv client data ... ");
        std::memset(buffer, 0, sizeof buffer);
        int status = 0;
        std::size_t received =
            recv_data(connection->socket, buffer, sizeof buffer, &status, hitched::kWaitForever);
        // Whatever woke the receive (close, reset, StopServer's interrupt, which Wine reports
        // as 10038 or 995), 0 bytes means the connection is over.
        if (received == 0) {
            Trace(u"pService->recv_data failed.");
            break;
        }
        if (status == hitched::kRecvStatusReset) {
            Trace(u"client socket disconnected.");
            break;
        }
        std::u16string text = RequestText(buffer, received);
        Trace(u"recv client data %s:", text.c_str());
        HandleRequest(*connection, buffer, received);
    }
    m_table.ReleaseByOwner(OwnerIdOf(connection->socket));
    EndConnection(connection);
    Trace(u"ProcessConnectedPhoneThread end");
    --m_connectionThreads;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        connection->finished.store(true);
    }
    m_stateChanged.notify_all();
}

void CPortService::EndConnection(const ConnectionPtr& connection) {
    // An ended connection leaves the client list at once and its socket is closed: every later
    // push would otherwise spend 500 ms on it, and a socket number left in the list could be
    // handed to a new connection by the system and pushed to twice.
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (auto it = m_vecClients.begin(); it != m_vecClients.end(); ++it) {
            if (*it == connection) {
                m_vecClients.erase(it);
                break;
            }
        }
        m_ended.push_back(connection);
    }
    // A push stuck on this socket is woken; the writer ends before the socket goes.
    {
        std::lock_guard<std::mutex> state(connection->stateLock);
        if (connection->socket != kInvalidSocket)
            m_sockets.Interrupt(connection->socket);
    }
    StopWriter(*connection);
    connection->writer->Join();
    std::lock_guard<std::mutex> send(connection->sendLock);
    std::lock_guard<std::mutex> state(connection->stateLock);
    if (connection->socket != kInvalidSocket)
        m_sockets.Close(connection->socket);
    connection->closed = true;
}

void CPortService::HandleRequest(Connection& connection, const std::uint8_t* bytes,
                                 std::size_t size) {
    using hitched::Command;
    hitched::Request request = hitched::ParseRequest(bytes, size);
    switch (request.command) {
    case Command::RequestSerialPort: {
        int result = RequestSerialPort(connection.socket, request.argument);
        SendMessageTo(connection, hitched::BuildRequestReply(result));
        break;
    }
    case Command::ReleaseSerialPort:
        ReleaseSerialPort(connection.socket, request.argument);
        break;
    case Command::GetAllConnectedPhone:
        SendPhoneList(connection);
        break;
    case Command::EnableConnectType:
    case Command::DisableConnectType: {
        int code = hitched::ParseSwitchWord(request.argument);
        if (code >= 0)
            m_owner.OnConnectTypeSwitch(code, request.command == Command::EnableConnectType);
        break;
    }
    case Command::RequestModemPort:
    case Command::ReleaseModemPort:
    case Command::None:
        break;
    }
}

void CPortService::SendMessageTo(Connection& connection, const std::vector<std::uint8_t>& message) {
    std::lock_guard<std::mutex> send(connection.sendLock);
    int status = 0;
    send_data(connection.socket, message.data(), message.size(), &status,
              m_config.timing.sendWaitMs);
}

void CPortService::SendPhoneList(Connection& connection) {
    // One snapshot for the count and the slots, so that a rebuild between the two pauses
    // cannot make the header promise more or fewer slots than follow.
    std::vector<std::uint8_t> payload = m_table.Payload();
    if (payload.empty())
        return; // an empty table gets no answer at all
    std::vector<std::uint8_t> header =
        hitched::BuildListHeader(payload.size() / hitched::kSlotBytes);
    std::lock_guard<std::mutex> send(connection.sendLock);
    int status = 0;
    send_data(connection.socket, header.data(), header.size(), &status, m_config.timing.sendWaitMs);
    Pause(m_config.timing.listHeaderPauseMs);
    Pause(m_config.timing.listPayloadPauseMs);
    send_data(connection.socket, payload.data(), payload.size(), &status,
              m_config.timing.sendWaitMs);
    Trace(u"send GET_ALL_CONNECTEDPHONE data over!");
}

int CPortService::CopyConnectedPhones(void* buffer, std::size_t bufferBytes) const {
    return m_table.CopyConnectedPhones(buffer, bufferBytes);
}

int CPortService::RequestSerialPort(SocketHandle client, const std::u16string& portText) {
    return m_table.RequestSerialPort(OwnerIdOf(client), portText);
}

int CPortService::ReleaseSerialPort(SocketHandle client, const std::u16string& portText) {
    return m_table.ReleaseSerialPort(OwnerIdOf(client), portText);
}

std::size_t CPortService::send_data(SocketHandle socket, const std::uint8_t* data, std::size_t size,
                                    int* status, std::uint32_t waitMs) {
    *status = 0;
    if (socket == kInvalidSocket || size == 0)
        return 0;
    return m_sockets.Send(socket, data, size, waitMs);
}

std::size_t CPortService::recv_data(SocketHandle socket, std::uint8_t* buffer, std::size_t size,
                                    int* status, std::uint32_t waitMs) {
    *status = 0;
    if (socket == kInvalidSocket)
        return 0;
    return m_sockets.Recv(socket, buffer, size, status, waitMs);
}
