// The port server's pushes: queued by a broadcast, handed to the clients one after another by
// the push thread, and sent by each client's own writer. No push is sent on the thread that
// broadcast (the monitor under the detection lock, or the user-interface thread), and a
// client that does not read only ever waits on its own writer.
#include "portservice/port_service.h"

#include <chrono>

#include "app/trace.h"
#include "portservice/port_service_parts.h"
#include "portservice/protocol.h"

using hitched::kInvalidSocket;
using hitched::Trace;

namespace {

// Pushes waiting for their turn, and per client pushes not sent yet, beyond which the oldest
// waiting one is dropped: each push carries the whole list, so the newest tells all. Reached
// only while a client stops reading or a crowd of clients makes every push slow.
constexpr std::size_t kMaxQueuedPushes = 8;
constexpr std::size_t kMaxOutboxPushes = 2;

} // namespace

void CPortService::BroadcastDeviceChanged(const std::vector<const _CONNECTEDPHONE_T*>& phones,
                                          bool noRetryTimer) {
    std::lock_guard<std::mutex> order(m_broadcastLock);
    // The retry timer's repeat of an empty push (an empty list, no new timer) is stale once
    // another broadcast came after that push: the timer may have fired before the later
    // push's kill request reached it, and repeating the empty push now would wipe the phones.
    if (phones.empty() && noRetryTimer && !m_retryPushDue) {
        Trace(u"CPortService::BroadcastDeviceChanged(): Retry push dropped: a newer list went "
              u"out.");
        return;
    }
    Trace(u"CPortService::BroadcastDeviceChanged(): Connected phone count: %d",
          static_cast<int>(phones.size()));
    auto push = std::make_shared<Push>();
    push->payload = m_table.Rebuild(phones);
    push->header = hitched::BuildPushHeader(push->payload.size() / hitched::kSlotBytes);
    push->armsRetryTimer = phones.empty() && !noRetryTimer;
    m_retryPushDue = push->armsRetryTimer;
    {
        std::lock_guard<std::mutex> lock(m_pushLock);
        if (m_pushStop)
            return;
        if (m_pushQueue.size() >= kMaxQueuedPushes) {
            Trace(u"CPortService::BroadcastDeviceChanged(): Push queue full, oldest dropped.");
            m_pushQueue.pop_front();
            --m_pushesBusy;
        }
        m_pushQueue.push_back(std::move(push));
        ++m_pushesBusy;
    }
    m_pushChanged.notify_all();
}

void CPortService::PushThread() {
    for (;;) {
        PushPtr push;
        {
            std::unique_lock<std::mutex> lock(m_pushLock);
            m_pushChanged.wait(lock, [this] { return m_pushStop || !m_pushQueue.empty(); });
            if (m_pushStop)
                return;
            push = m_pushQueue.front();
            m_pushQueue.pop_front();
        }
        HandOut(push);
        // A server that is stopping leaves the window's timer alone.
        if (m_bRunning.load() != 0) {
            if (push->armsRetryTimer)
                m_owner.SetRetryTimer();
            else
                m_owner.KillRetryTimer();
        }
        {
            std::lock_guard<std::mutex> lock(m_pushLock);
            --m_pushesBusy;
        }
        m_pushChanged.notify_all();
    }
}

void CPortService::HandOut(const PushPtr& push) {
    std::vector<ConnectionPtr> clients;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        clients = m_vecClients;
    }
    Trace(u"CPortService::BroadcastDeviceChanged(): Connected client count: %d",
          static_cast<int>(clients.size()));
    int number = 0;
    for (const ConnectionPtr& client : clients) {
        Trace(u"CPortService::BroadcastDeviceChanged(): To client %d", ++number);
        if (m_bRunning.load() == 0)
            return;
        bool handed = false;
        if (client->socket != kInvalidSocket) {
            std::lock_guard<std::mutex> lock(client->outboxLock);
            if (!client->writerStop) {
                if (client->outbox.size() >= kMaxOutboxPushes) {
                    Trace(u"CPortService::BroadcastDeviceChanged(): Client %d is not reading, "
                          u"its oldest unsent push dropped.",
                          number);
                    client->outbox.pop_front();
                } else {
                    std::lock_guard<std::mutex> busy(m_pushLock);
                    ++m_pushesBusy;
                }
                client->outbox.push_back(push);
                handed = true;
            }
        }
        client->outboxChanged.notify_all();
        // The writer pauses between header and payload; the pause before the next client
        // follows it. A client that has gone is owed no pause.
        if (handed)
            Pause(m_config.timing.pushHeaderPauseMs);
        if (handed || client->socket == kInvalidSocket)
            Pause(m_config.timing.pushClientPauseMs);
    }
}

void CPortService::WriterThread(ConnectionPtr connection) {
    for (;;) {
        PushPtr push;
        {
            std::unique_lock<std::mutex> lock(connection->outboxLock);
            connection->outboxChanged.wait(
                lock, [&] { return connection->writerStop || !connection->outbox.empty(); });
            if (connection->writerStop)
                break;
            push = connection->outbox.front();
            connection->outbox.pop_front();
        }
        {
            std::lock_guard<std::mutex> send(connection->sendLock);
            int status = 0;
            send_data(connection->socket, push->header.data(), push->header.size(), &status,
                      m_config.timing.sendWaitMs);
            Pause(m_config.timing.pushHeaderPauseMs);
            if (!push->payload.empty())
                send_data(connection->socket, push->payload.data(), push->payload.size(), &status,
                          m_config.timing.sendWaitMs);
        }
        {
            std::lock_guard<std::mutex> lock(m_pushLock);
            --m_pushesBusy;
        }
        m_pushChanged.notify_all();
    }
    // Pushes never sent still count as done.
    std::size_t unsent = 0;
    {
        std::lock_guard<std::mutex> lock(connection->outboxLock);
        unsent = connection->outbox.size();
        connection->outbox.clear();
    }
    {
        std::lock_guard<std::mutex> lock(m_pushLock);
        m_pushesBusy -= static_cast<int>(unsent);
    }
    m_pushChanged.notify_all();
}

void CPortService::StopWriter(Connection& connection) {
    {
        std::lock_guard<std::mutex> lock(connection.outboxLock);
        connection.writerStop = true;
    }
    connection.outboxChanged.notify_all();
}

void CPortService::StopPushThread() {
    {
        std::lock_guard<std::mutex> lock(m_pushLock);
        m_pushStop = true;
        m_pushesBusy -= static_cast<int>(m_pushQueue.size());
        m_pushQueue.clear();
    }
    m_pushChanged.notify_all();
    if (m_pushThread) {
        m_pushThread->Join();
        m_pushThread.reset();
    }
}

bool CPortService::WaitUntilPushesSent(std::uint32_t limitMs) const {
    std::unique_lock<std::mutex> lock(m_pushLock);
    return m_pushChanged.wait_for(lock, std::chrono::milliseconds(limitMs),
                                  [this] { return m_pushesBusy == 0; });
}
