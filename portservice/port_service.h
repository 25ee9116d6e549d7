#pragma once
// The TCP server of the port service: accepts the suite's programs, answers their requests
// from the phone table and pushes every new phone list to all of them.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "portservice/connected_phone.h"
#include "portservice/port_service_owner.h"
#include "portservice/port_table.h"
#include "portservice/socket_layer.h"

namespace hitched {

// The server's pauses and waits. The defaults are the production values; tests that need many
// broadcasts in little time shorten them.
struct PortServiceTiming {
    std::uint32_t sendWaitMs = 10000;      // per try of a send, 3 tries
    std::uint32_t acceptPauseMs = 200;     // after every accept: at most 5 connections a second
    std::uint32_t pushHeaderPauseMs = 300; // push: between header and payload
    std::uint32_t pushClientPauseMs = 200; // push: before the next client
    std::uint32_t listHeaderPauseMs = 50;  // list reply: after the header
    std::uint32_t listPayloadPauseMs = 50; // list reply: before the payload
};

struct PortServiceConfig {
    std::string bindAddress = "0.0.0.0"; // every local IPv4 address
    std::uint16_t port = 9520;           // 0 lets the system pick one (tests)
    int backlog = 20;
    // Simultaneous clients served; a connection beyond them is accepted and closed at once.
    // Each costs two threads (its reads, its pushes) of kServerThreadStackBytes.
    std::size_t maxClients = 64;
    PortServiceTiming timing;
};

} // namespace hitched

class CPortService {
public:
    CPortService(hitched::IPortServiceOwner& owner, hitched::ISocketLayer& sockets,
                 hitched::PortServiceConfig config = {});
    ~CPortService();
    CPortService(const CPortService&) = delete;
    CPortService& operator=(const CPortService&) = delete;

    // Binds and listens, then starts the accept thread. false when the port cannot be bound:
    // the start-up event is set and the reason logged.
    bool StartServer();
    // Ends every connection and thread, empties the table and releases the socket library.
    // Safe to call more than once; the destructor calls it again.
    void StopServer();

    // Rebuilds the table from the detected phones (holds carried over by phone name) and
    // queues its push to every client; returns at once. The push thread hands the push to the
    // clients in accept order, 500 ms apart; each client's own writer sends it, so a client
    // that does not read holds up nobody else. Once a push was handed out, an empty one sets
    // the retry timer; the timer's repeat (an empty list, noRetryTimer) is dropped when
    // another broadcast has come since.
    void BroadcastDeviceChanged(const std::vector<const _CONNECTEDPHONE_T*>& phones,
                                bool noRetryTimer);
    int CopyConnectedPhones(void* buffer, std::size_t bufferBytes) const;
    int RequestSerialPort(hitched::SocketHandle client, const std::u16string& portText);
    int ReleaseSerialPort(hitched::SocketHandle client, const std::u16string& portText);

    std::size_t send_data(hitched::SocketHandle socket, const std::uint8_t* data, std::size_t size,
                          int* status, std::uint32_t waitMs);
    std::size_t recv_data(hitched::SocketHandle socket, std::uint8_t* buffer, std::size_t size,
                          int* status, std::uint32_t waitMs);

    // For tests and diagnostics.
    std::uint16_t BoundPort() const { return m_boundPort; }
    std::size_t ClientCount() const;
    int RunningConnectionThreads() const { return m_connectionThreads.load(); }
    std::vector<_PORTPHONEENTRY_T> TableSnapshot() const { return m_table.Snapshot(); }
    // Waits until every queued push was handed out and sent (or given up); false after
    // `limitMs`.
    bool WaitUntilPushesSent(std::uint32_t limitMs) const;

private:
    struct Connection;
    using ConnectionPtr = std::shared_ptr<Connection>;

    struct Push;
    using PushPtr = std::shared_ptr<const Push>;

    void AcceptClientThread(hitched::SocketHandle listener);
    void ServeOrRefuse(hitched::SocketHandle socket);
    void ProcessConnectedPhoneThread(ConnectionPtr connection);
    void PushThread();
    void HandOut(const PushPtr& push);
    void WriterThread(ConnectionPtr connection);
    void StopWriter(Connection& connection);
    void StopPushThread();
    void HandleRequest(Connection& connection, const std::uint8_t* bytes, std::size_t size);
    void SendPhoneList(Connection& connection);
    void SendMessageTo(Connection& connection, const std::vector<std::uint8_t>& message);
    void EndConnection(const ConnectionPtr& connection);
    void ReapEndedConnections();
    void WaitForThreads(const std::vector<ConnectionPtr>& connections);
    // Sleeps, but returns early once the server stops.
    void Pause(std::uint32_t ms);

    hitched::IPortServiceOwner& m_owner;
    hitched::ISocketLayer& m_sockets;
    const hitched::PortServiceConfig m_config;

    std::atomic<int> m_bRunning{1};
    int m_bWsaStarted = 0;
    hitched::SocketHandle m_sListen = hitched::kInvalidSocket;
    std::uint16_t m_boundPort = 0;

    // Guards m_vecClients and m_ended; m_stateChanged wakes pauses and StopServer's wait.
    mutable std::mutex m_lock;
    std::condition_variable m_stateChanged;
    std::vector<ConnectionPtr> m_vecClients; // served connections, in accept order
    std::vector<ConnectionPtr> m_ended;      // finished or finishing threads not joined yet
    hitched::PortTable m_table;              // m_vecPhones: the table has its own lock

    // Keeps pushes in the order of their rebuilds when two threads broadcast at once.
    std::mutex m_broadcastLock;
    // Under m_broadcastLock: the last push queued was empty and sets the retry timer.
    bool m_retryPushDue = false;

    // Pushes waiting for the push thread, in broadcast order; m_pushesBusy counts the queued
    // ones and the one being handed out, and the sends still waiting in writers.
    mutable std::mutex m_pushLock;
    mutable std::condition_variable m_pushChanged;
    std::deque<PushPtr> m_pushQueue;
    int m_pushesBusy = 0;
    bool m_pushStop = false;
    std::unique_ptr<hitched::ServerThread> m_pushThread;
    std::unique_ptr<hitched::ServerThread> m_acceptThread;
    std::atomic<bool> m_acceptEnded{false};
    std::atomic<int> m_connectionThreads{0};
};
