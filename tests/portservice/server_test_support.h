#pragma once
// Shared pieces of the port server tests: an owner that records what the server asks of it
// (and can play the main dialog's retry timer), a trace capture, phone records and a client.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "portservice/port_service.h"
#include "tools/portclient/port_client.h"

namespace hitched::testing {

// Every trace line of the process, for the checks on log texts.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    static std::vector<std::u16string> Lines();
    static int Count(const std::u16string& line);
    static void Clear();
};

class RecordingOwner : public IPortServiceOwner {
public:
    ~RecordingOwner() override;

    void OnConnectTypeSwitch(int typeCode, bool enable) override;
    void SetRetryTimer() override;
    void KillRetryTimer() override;
    void SignalStarted() override;

    std::vector<std::pair<int, bool>> Switches() const;
    int TimerSets() const { return m_timerSets.load(); }
    int TimerKills() const { return m_timerKills.load(); }
    int StartedSignals() const { return m_started.load(); }

    // Plays the main dialog's timer 103: once set, after `ms` it is killed and an empty list is
    // broadcast with the timer suppressed; killing it first cancels that.
    void PlayRetryTimer(CPortService* server, int ms = 5000);
    // Ends that play; called before the server goes.
    void StopPlaying();

private:
    void TimerThread();

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::pair<int, bool>> m_switches;
    std::atomic<int> m_timerSets{0};
    std::atomic<int> m_timerKills{0};
    std::atomic<int> m_started{0};
    CPortService* m_server = nullptr;
    int m_timerMs = 5000;
    bool m_timerArmed = false;
    std::chrono::steady_clock::time_point m_timerDue;
    bool m_quit = false;
    std::thread m_timerThread;
};

// A record as device detection builds it: zero-filled, then the fields set.
_CONNECTEDPHONE_T MakePhone(std::uint32_t type, const std::u16string& serialPort,
                            const std::u16string& name);

// Runs BroadcastDeviceChanged with the records given by value.
void Broadcast(CPortService& server, const std::vector<_CONNECTEDPHONE_T>& phones,
               bool noRetryTimer = false);

// A config for a test server on loopback with a port the system picks.
PortServiceConfig TestConfig();

// A client of the test server with short-hand requests. Waits are generous limits; nothing
// in the tests depends on them being short.
class TestClient {
public:
    explicit TestClient(std::uint16_t port);
    bool connected() const { return m_connected; }
    bool Send(const std::u16string& text) { return m_session.SendText(text); }
    bool SendBytes(const std::vector<std::uint8_t>& bytes) { return m_session.SendBytes(bytes); }
    // The next message (kept pushes first); false when none came in time.
    bool Next(ServerMessage& message, int timeoutMs = 5000);
    // Sends a request and answers the result word's code (0, 22, 11), -1 without a reply.
    // Pushes that arrive first are kept for NextPush.
    int Request(const std::u16string& port);
    void Release(const std::u16string& port);
    // Skips request replies, answers the next push or list reply.
    bool NextPhoneList(ServerMessage& message, int timeoutMs = 5000);
    void Close() { m_session.Close(); }
    void Reset() { m_session.Reset(); }

private:
    PortClientSession m_session;
    bool m_connected = false;
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
