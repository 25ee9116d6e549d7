#include "tests/portservice/server_test_support.h"

#include <cstring>

#include "app/trace.h"
#include "detect/utf16_field.h"
#include "portservice/protocol.h"

namespace hitched::testing {
namespace {

std::mutex g_traceLock;
std::vector<std::u16string> g_traceLines;

void CaptureLine(const std::u16string& line) {
    std::lock_guard<std::mutex> lock(g_traceLock);
    g_traceLines.push_back(line);
}

} // namespace

TraceCapture::TraceCapture() {
    Clear();
    SetTraceSink(CaptureLine);
}

TraceCapture::~TraceCapture() {
    SetTraceSink(nullptr);
}

std::vector<std::u16string> TraceCapture::Lines() {
    std::lock_guard<std::mutex> lock(g_traceLock);
    return g_traceLines;
}

int TraceCapture::Count(const std::u16string& line) {
    std::lock_guard<std::mutex> lock(g_traceLock);
    int n = 0;
    for (const std::u16string& l : g_traceLines)
        n += l == line ? 1 : 0;
    return n;
}

void TraceCapture::Clear() {
    std::lock_guard<std::mutex> lock(g_traceLock);
    g_traceLines.clear();
}

RecordingOwner::~RecordingOwner() {
    StopPlaying();
}

void RecordingOwner::StopPlaying() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_quit = true;
    }
    m_changed.notify_all();
    if (m_timerThread.joinable())
        m_timerThread.join();
}

void RecordingOwner::OnConnectTypeSwitch(int typeCode, bool enable) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_switches.emplace_back(typeCode, enable);
}

void RecordingOwner::SetRetryTimer() {
    ++m_timerSets;
    std::lock_guard<std::mutex> lock(m_lock);
    m_timerArmed = true;
    m_timerDue = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_timerMs);
    m_changed.notify_all();
}

void RecordingOwner::KillRetryTimer() {
    ++m_timerKills;
    std::lock_guard<std::mutex> lock(m_lock);
    m_timerArmed = false;
    m_changed.notify_all();
}

void RecordingOwner::SignalStarted() {
    ++m_started;
}

std::vector<std::pair<int, bool>> RecordingOwner::Switches() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_switches;
}

void RecordingOwner::PlayRetryTimer(CPortService* server, int ms) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_server = server;
    m_timerMs = ms;
    if (!m_timerThread.joinable())
        m_timerThread = std::thread(&RecordingOwner::TimerThread, this);
}

void RecordingOwner::TimerThread() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_quit) {
        if (!m_timerArmed) {
            m_changed.wait(lock);
            continue;
        }
        if (m_changed.wait_until(lock, m_timerDue) == std::cv_status::timeout && m_timerArmed &&
            std::chrono::steady_clock::now() >= m_timerDue) {
            // The dialog's handler: kill the timer, then an empty push without a new timer.
            m_timerArmed = false;
            CPortService* server = m_server;
            lock.unlock();
            if (server != nullptr)
                server->BroadcastDeviceChanged({}, true);
            lock.lock();
        }
    }
}

_CONNECTEDPHONE_T MakePhone(std::uint32_t type, const std::u16string& serialPort,
                            const std::u16string& name) {
    _CONNECTEDPHONE_T phone;
    std::memset(&phone, 0, sizeof phone);
    phone.dwConnectType = type;
    CopyField(phone.dwSerialPort, serialPort);
    CopyField(phone.tszPhoneName, name);
    CopyField(phone.tszManufacturer, u"Ostra");
    CopyField(phone.tszIMEI, u"356938035643809");
    CopyField(phone.tszDllName, u"KvOstra");
    CopyField(phone.tszBTStackName, u"Microsoft");
    phone.dwExtraInfo = 0x12345678;
    return phone;
}

void Broadcast(CPortService& server, const std::vector<_CONNECTEDPHONE_T>& phones,
               bool noRetryTimer) {
    std::vector<const _CONNECTEDPHONE_T*> list;
    for (const _CONNECTEDPHONE_T& p : phones)
        list.push_back(&p);
    server.BroadcastDeviceChanged(list, noRetryTimer);
}

PortServiceConfig TestConfig() {
    PortServiceConfig config;
    config.bindAddress = "127.0.0.1";
    config.port = 0;
    return config;
}

TestClient::TestClient(std::uint16_t port) {
    std::string error;
    m_connected = m_session.Connect("127.0.0.1", port, &error);
}

bool TestClient::Next(ServerMessage& message, int timeoutMs) {
    if (!m_kept.empty()) {
        message = m_kept.front();
        m_kept.erase(m_kept.begin());
        return true;
    }
    return m_session.Next(message, timeoutMs) == PortClientSession::ReadResult::Message;
}

int TestClient::Request(const std::u16string& port) {
    if (!m_session.SendText(std::u16string(kKeyRequestSerialPort) + port))
        return -1;
    ServerMessage message;
    while (m_session.Next(message, 5000) == PortClientSession::ReadResult::Message) {
        if (message.kind == ServerMessageKind::RequestReply)
            return message.portResult;
        m_kept.push_back(message);
    }
    return -1;
}

void TestClient::Release(const std::u16string& port) {
    m_session.SendText(std::u16string(kKeyReleaseSerialPort) + port);
    // The server takes one read for one request: let this one be read alone.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

bool TestClient::NextPhoneList(ServerMessage& message, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        end - std::chrono::steady_clock::now())
                                        .count());
        if (left <= 0 || !Next(message, left))
            return false;
        if (message.kind == ServerMessageKind::UpdateConnectedPhone ||
            message.kind == ServerMessageKind::GetAllConnectedPhone)
            return true;
    }
}

int HeldRows(const CPortService& server) {
    int held = 0;
    for (const _PORTPHONEENTRY_T& row : server.TableSnapshot())
        held += row.bUsed != 0 ? 1 : 0;
    return held;
}

} // namespace hitched::testing
