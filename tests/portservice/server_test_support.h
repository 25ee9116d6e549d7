#pragma once
// Shared pieces of the port server tests: an owner that records what the server asks of it,
// a trace capture and a client.
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "portservice/port_service.h"
#include "portservice/protocol.h"
#include "tests/support/phone_records.h"
#include "tools/portclient/port_client.h"

namespace hitched::testing {

using hitched::test::MakeConnectedPhone;

// Every trace line of the process while it lives, for the checks on log texts.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    static int Count(const std::u16string& line);
    static void Clear();
};

// Records the calls; the retry timer is a flag (a test plays its expiry itself).
class RecordingOwner : public IPortServiceOwner {
public:
    void OnConnectTypeSwitch(int typeCode, bool enable) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_switches.emplace_back(typeCode, enable);
    }
    void SetRetryTimer() override { ++timerSets, timerArmed = true; }
    void KillRetryTimer() override { timerArmed = false; }
    void SignalStarted() override { ++startedSignals; }
    std::vector<std::pair<int, bool>> Switches() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_switches;
    }

    std::atomic<int> timerSets{0}, startedSignals{0};
    std::atomic<bool> timerArmed{false};

private:
    mutable std::mutex m_lock;
    std::vector<std::pair<int, bool>> m_switches;
};

std::vector<const _CONNECTEDPHONE_T*> Pointers(const std::vector<_CONNECTEDPHONE_T>& phones);
// Runs BroadcastDeviceChanged with the records given by value and waits until its push went
// out.
void Broadcast(CPortService& server, const std::vector<_CONNECTEDPHONE_T>& phones);

// A config for a test server on loopback with a port the system picks.
PortServiceConfig TestConfig();

// A client of the test server with short-hand requests. Waits are generous limits.
class TestClient {
public:
    explicit TestClient(std::uint16_t port) { m_session.Connect("127.0.0.1", port, nullptr); }
    bool Send(const std::u16string& text) { return m_session.SendText(text); }
    // The next message (kept pushes first); false when none came in time.
    bool Next(ServerMessage& message, int timeoutMs = 5000);
    // Sends a request and answers the result word's code (0, 22, 11), -1 without a reply.
    // Pushes that arrive first are kept for Next.
    int Request(const std::u16string& port);
    // Sends a text and lets the server read it alone: one read, one request.
    void SendAlone(const std::u16string& text);
    // The counts of the pushes received until a second passes without one.
    std::vector<std::size_t> PushCounts();
    void Close() { m_session.Close(); }
    void Reset() { m_session.Reset(); }

private:
    PortClientSession m_session;
    std::vector<ServerMessage> m_kept;
};

// Waits until `condition` holds, at most `limit`; answers whether it did.
template <typename F> bool WaitUntil(F condition, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// How many rows are held by anyone.
int HeldRows(const CPortService& server);

} // namespace hitched::testing
