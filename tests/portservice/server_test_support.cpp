#include "tests/portservice/server_test_support.h"

#include <algorithm>

#include "app/trace.h"

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

int TraceCapture::Count(const std::u16string& line) {
    std::lock_guard<std::mutex> lock(g_traceLock);
    return static_cast<int>(std::count(g_traceLines.begin(), g_traceLines.end(), line));
}

void TraceCapture::Clear() {
    std::lock_guard<std::mutex> lock(g_traceLock);
    g_traceLines.clear();
}

std::vector<const _CONNECTEDPHONE_T*> Pointers(const std::vector<_CONNECTEDPHONE_T>& phones) {
    std::vector<const _CONNECTEDPHONE_T*> list;
    for (const _CONNECTEDPHONE_T& p : phones)
        list.push_back(&p);
    return list;
}

void Broadcast(CPortService& server, const std::vector<_CONNECTEDPHONE_T>& phones) {
    server.BroadcastDeviceChanged(Pointers(phones), false);
    server.WaitUntilPushesSent(60000);
}

PortServiceConfig TestConfig() {
    PortServiceConfig config;
    config.bindAddress = "127.0.0.1";
    config.port = 0;
    return config;
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

void TestClient::SendAlone(const std::u16string& text) {
    m_session.SendText(text);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

std::vector<std::size_t> TestClient::PushCounts() {
    std::vector<std::size_t> counts;
    for (ServerMessage m; Next(m, 1000);)
        if (m.kind == ServerMessageKind::UpdateConnectedPhone)
            counts.push_back(m.count);
    return counts;
}

int HeldRows(const CPortService& server) {
    const auto rows = server.TableSnapshot();
    return static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [](const auto& row) { return row.bUsed != 0; }));
}

} // namespace hitched::testing
