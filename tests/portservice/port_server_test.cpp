// The port server over real sockets (POSIX natively, Winsock under Wine), with the production
// pauses: the conversation with its clients, pushes and the retry push, start and stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>

#ifdef _WIN32
#include "portservice/winsock_socket_layer.h"
#include <windows.h>
using PlatformLayer = hitched::WinsockSocketLayer;
#else
#include "portservice/posix_socket_layer.h"
#include <pthread.h>
using PlatformLayer = hitched::PosixSocketLayer;
#endif

#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using namespace hitched;
using namespace hitched::testing;
using Clock = std::chrono::steady_clock;
using Counts = std::vector<std::size_t>;

namespace {

class PortServer : public ::testing::Test {
protected:
    void Start(PortServiceConfig config = TestConfig()) {
        server = std::make_unique<CPortService>(owner, PlatformSocketLayer(), config);
        ASSERT_TRUE(server->StartServer());
        port = server->BoundPort();
    }
    // Pushes reach only accepted clients, and accepting is paced.
    void WaitForClients(std::size_t n) {
        ASSERT_TRUE(WaitUntil([&] { return server->ClientCount() == n; }, 10s));
    }

    TraceCapture trace;
    RecordingOwner owner;
    std::unique_ptr<CPortService> server;
    std::uint16_t port = 0;
    const _CONNECTEDPHONE_T phone = MakeConnectedPhone(u"Ostra A1", u"COM5");
};

// Reads a header and its slots: each slot the record as broadcast, then 2056 zero bytes.
void ExpectPhoneMessage(ClientConnection& raw, const std::u16string& header,
                        const std::vector<_CONNECTEDPHONE_T>& phones) {
    const std::vector<std::uint8_t> head = EncodeText(header);
    std::vector<std::uint8_t> got(head.size() + phones.size() * kSlotBytes);
    for (std::size_t at = 0; at < got.size();) {
        int n = raw.Receive(got.data() + at, got.size() - at, 5000);
        ASSERT_GT(n, 0) << "after " << at << " bytes";
        at += static_cast<std::size_t>(n);
    }
    EXPECT_TRUE(std::equal(head.begin(), head.end(), got.begin()));
    for (std::size_t i = 0; i < phones.size(); ++i) {
        const std::uint8_t* slot = got.data() + head.size() + i * kSlotBytes;
        EXPECT_EQ(std::memcmp(slot, &phones[i], sizeof phones[i]), 0) << "slot " << i;
        EXPECT_TRUE(std::all_of(slot + 2056, slot + kSlotBytes, [](auto b) { return b == 0; }));
    }
}

TEST_F(PortServer, EachClientHoldsUnderItsOwnConnectionAndEveryClientGetsThePush) {
    Start();
    Broadcast(*server, {phone, MakeConnectedPhone(u"Ostra B2", u"COM6")});
    TestClient a(port), b(port);
    WaitForClients(2);
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
    EXPECT_EQ(b.Request(u"COM5"), kPortUsed);
    b.SendAlone(std::u16string(kKeyReleaseSerialPort) + u"COM5");
    EXPECT_EQ(b.Request(u"COM5"), kPortUsed) << "only the holder releases";
    const std::vector<_CONNECTEDPHONE_T> moved = {MakeConnectedPhone(u"Ostra B2", u"COM6"),
                                                  MakeConnectedPhone(u"Ostra A1", u"COM7")};
    Broadcast(*server, moved);
    for (TestClient* c : {&a, &b}) {
        ServerMessage push;
        ASSERT_TRUE(c->Next(push));
        ASSERT_EQ(push.phones.size(), 2u);
        EXPECT_EQ(std::memcmp(&push.phones[1], &moved[1], sizeof moved[1]), 0);
    }
    EXPECT_EQ(b.Request(u"COM7"), kPortUsed) << "A1 moved to COM7 and is still a's";
}

TEST_F(PortServer, ListReplyIsSilentForAnEmptyTableElseItsHeaderThenEverySlot) {
    Start();
    ClientConnection raw;
    ASSERT_TRUE(raw.Connect("127.0.0.1", port, nullptr));
    WaitForClients(1);
    const std::vector<std::uint8_t> ask = EncodeText(kKeyGetAllConnectedPhone);
    std::uint8_t byte;
    ASSERT_TRUE(raw.Send(ask));
    EXPECT_EQ(raw.Receive(&byte, 1, 1000), ClientConnection::kTimeout) << "empty: no answer";

    const std::vector<_CONNECTEDPHONE_T> phones = {
        phone, MakeConnectedPhone(u"Ostra B2", u"COM8", kConnBluetooth),
        MakeConnectedPhone(u"Ostra C3", u"")};
    Broadcast(*server, phones);
    ExpectPhoneMessage(raw, u"UpdateConnectedPhone\r\n3", phones);
    const auto start = Clock::now();
    ASSERT_TRUE(raw.Send(ask));
    ExpectPhoneMessage(raw, u"GetAllConnectedPhone\r\n3", phones);
    EXPECT_GE(Clock::now() - start, 100ms) << "two pauses of 50 ms lie between header and slots";
    EXPECT_EQ(raw.Receive(&byte, 1, 300), ClientConnection::kTimeout);
    EXPECT_TRUE(WaitUntil(
        [] { return TraceCapture::Count(u"send GET_ALL_CONNECTEDPHONE data over!") == 1; }, 2s));
}

TEST_F(PortServer, EachReadOfAtMost255BytesIsOneRequest) {
    Start();
    Broadcast(*server, {phone});
    TestClient a(port);
    // A request split over two reads is not pieced together; only the switches do something.
    for (const std::u16string& text : std::vector<std::u16string>{
             std::u16string(700, u'x'), u"RequestSerial", u"Port\r\nCOM5",
             u"DisableConnectType\r\nENABLE_CONN_TYPE_BT", u"DisableConnectType\r\nBT",
             u"EnableConnectType\r\nxx ENABLE_CONN_TYPE_IR ENABLE_CONN_TYPE_USB",
             u"RequestModemPort\r\nCOM5"})
        a.SendAlone(text);
    ServerMessage m;
    EXPECT_FALSE(a.Next(m, 500)) << "none of these is answered";
    EXPECT_EQ(owner.Switches(), (std::vector<std::pair<int, bool>>{{2, false}, {1, true}}));
    // 600 bytes: the first read of 255 carries the request with a tail of spaces.
    ASSERT_TRUE(a.Send(u"RequestSerialPort\r\nCOM5" + std::u16string(277, u' ')));
    ASSERT_TRUE(a.Next(m));
    EXPECT_EQ(m.portResult, kPortInvalid);
    EXPECT_FALSE(a.Next(m, 500)) << "the rest of the oversized request is not answered";
    EXPECT_EQ(a.Request(u"COM5"), kPortDone) << "the connection is still served";
}

TEST_F(PortServer, AnEmptyPushIsRepeatedOnceByTheRetryTimerUnlessAPhoneComesFirst) {
    Start();
    TestClient a(port), b(port);
    WaitForClients(2);
    Broadcast(*server, {phone});
    EXPECT_FALSE(owner.timerArmed);
    Broadcast(*server, {});
    ASSERT_TRUE(owner.timerArmed);
    server->BroadcastDeviceChanged({}, true); // the timer's handler
    EXPECT_EQ(owner.timerSets, 1) << "the repeat does not set the timer again";
    for (TestClient* c : {&a, &b})
        EXPECT_EQ(c->PushCounts(), (Counts{1, 0, 0})) << "the empty push comes twice";
    Broadcast(*server, {});
    Broadcast(*server, {phone}); // back before the timer is due: the timer goes
    EXPECT_FALSE(owner.timerArmed);
}

TEST_F(PortServer, ARetryPushFiringWhileAPhonesPushIsSentLeavesThePhone) {
    PortServiceConfig config = TestConfig();
    config.timing.pushClientPauseMs = 1000; // a long sending phase for the timer to fire in
    Start(config);
    TestClient a(port);
    WaitForClients(1);
    Broadcast(*server, {});
    auto arrival = std::async(std::launch::async, [&] { Broadcast(*server, {phone}); });
    // The table holds the phone, its push is under way: timer 103 fires now, before the
    // broadcast's kill request can reach it.
    ASSERT_TRUE(WaitUntil([&] { return server->TableSnapshot().size() == 1; }, 5s));
    server->BroadcastDeviceChanged({}, true);
    arrival.get();
    EXPECT_EQ(server->TableSnapshot().size(), 1u) << "the late repeat emptied the table";
    EXPECT_EQ(a.PushCounts(), (Counts{0, 1})) << "the last push must be the phone's";
}

TEST_F(PortServer, AResetOrCloseEndsTheConnectionWithItsHoldsAndItsPlaceInPushes) {
    Start();
    Broadcast(*server, {phone}); // nobody to tell yet
    TestClient a(port), b(port);
    WaitForClients(2);
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
    a.Reset();
    ASSERT_TRUE(
        WaitUntil([&] { return HeldRows(*server) == 0 && server->ClientCount() == 1; }, 5s));
    EXPECT_EQ(b.Request(u"COM5"), kPortDone);
    Broadcast(*server, {phone});
    b.Close();
    ASSERT_TRUE(
        WaitUntil([] { return TraceCapture::Count(u"ProcessConnectedPhoneThread end") == 2; }, 5s));
    const std::u16string kBroadcast = u"CPortService::BroadcastDeviceChanged(): ";
    for (const auto& [line, n] : std::vector<std::pair<std::u16string, int>>{
             {u"ProcessConnectedPhoneThread begin", 2},
             {u"recv client data ... ", 4},
             {u"recv client data RequestSerialPort\\r\\nCOM5:", 2}, // one line, escaped
             {u"pService->recv_data failed.", 2},
             {kBroadcast + u"Connected phone count: 1", 2},
             {kBroadcast + u"Connected client count: 0", 1},
             {kBroadcast + u"Connected client count: 1", 1},
             {kBroadcast + u"To client 1", 1}})
        EXPECT_EQ(TraceCapture::Count(line), n) << std::string(line.begin(), line.end());
}

TEST_F(PortServer, AcceptingIsPacedToFiveConnectionsASecond) {
    Start();
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 6; ++i)
        clients.push_back(std::make_unique<TestClient>(port));
    const auto start = Clock::now();
    // Each request is answered once its connection has a thread; the sixth waits five pauses.
    for (auto& c : clients)
        EXPECT_EQ(c->Request(u"COM9"), kPortInvalid);
    EXPECT_GE(Clock::now() - start, 900ms);
}

TEST_F(PortServer, BeyondTheCapANewConnectionIsClosedAtOnceAndLoggedWhileTheOthersAreServed) {
    PortServiceConfig config = TestConfig();
    config.maxClients = 2;
    Start(config);
    TestClient a(port), b(port);
    WaitForClients(2);
    ClientConnection extra;
    std::uint8_t byte;
    ASSERT_TRUE(extra.Connect("127.0.0.1", port, nullptr));
    EXPECT_EQ(extra.Receive(&byte, 1, 5000), ClientConnection::kClosed);
    EXPECT_EQ(TraceCapture::Count(u"AcceptClientThread: 2 clients already, a new connection is "
                                  u"closed."),
              1);
    EXPECT_EQ(a.Request(u"COM9"), kPortInvalid);
    b.Close();
    WaitForClients(1);
    TestClient late(port);
    EXPECT_EQ(late.Request(u"COM9"), kPortInvalid) << "a place that was freed is taken again";
}

#ifndef _WIN32
// Clients 0 and 3 never read; their narrow windows (Linux socket options) stall the sends to
// them within one push of 24 phones, here for 3 s a send.
TEST_F(PortServer, ClientsThatNeverReadHoldUpNeitherTheBroadcastNorTheOthersPushes) {
    PortServiceConfig config = TestConfig();
    config.timing.sendWaitMs = 1000;
    Start(config);
    ClientConnection mute[2];
    std::map<int, std::unique_ptr<TestClient>> readers; // by their turn
    for (int turn = 0; turn < 5; ++turn) {
        if (turn % 3 == 0)
            ASSERT_TRUE(mute[turn / 3].Connect("127.0.0.1", port, nullptr, true));
        else
            readers[turn] = std::make_unique<TestClient>(port);
        WaitForClients(static_cast<std::size_t>(turn + 1));
    }
    std::vector<_CONNECTEDPHONE_T> phones;
    for (char16_t c = u'A'; c < u'A' + 24; ++c)
        phones.push_back(MakeConnectedPhone(u"Ostra " + std::u16string(1, c), u"COM5"));
    for (int round = 0; round < 2; ++round, std::this_thread::sleep_for(300ms)) {
        const auto start = Clock::now();
        server->BroadcastDeviceChanged(Pointers(phones), false);
        ServerMessage push;
        EXPECT_FALSE(readers[1]->Next(push, 0)) << "sent before the broadcast returned";
        for (auto& [turn, reader] : readers) {
            ASSERT_TRUE(reader->Next(push, 10000));
            EXPECT_EQ(push.count, 24u);
            // Before a stalled send to a client ahead could give up.
            EXPECT_LT(Clock::now() - start, turn * 500ms + 1300ms) << round << " " << turn;
        }
    }
}
#endif

// Counts what the server releases of this build's real backend.
class CountingLayer : public PlatformLayer {
public:
    bool Startup() override { return ++startups, PlatformLayer::Startup(); }
    void Cleanup() override { ++cleanups, PlatformLayer::Cleanup(); }
    SocketHandle CreateListenSocket() override {
        return listener = PlatformLayer::CreateListenSocket();
    }
    bool WakeAccept(SocketHandle s) override {
        const bool released = PlatformLayer::WakeAccept(s);
        listenerReleases += released ? 1 : 0;
        return released;
    }
    void Close(SocketHandle s) override {
        listenerReleases += s == listener ? 1 : 0;
        PlatformLayer::Close(s);
    }

    // How often the library was started, the listener released and the library cleaned up.
    std::string Released() const {
        return std::to_string(startups) + " " + std::to_string(listenerReleases) + " " +
               std::to_string(cleanups);
    }

    SocketHandle listener = kInvalidSocket;
    std::atomic<int> startups{0}, cleanups{0}, listenerReleases{0};
};

TEST(PortServerStart, ABindFailureIsLoggedSignalsTheStartUpAndIsReleasedOnceLikeAStart) {
    TraceCapture trace;
    RecordingOwner holderOwner;
    CountingLayer holderLayer;
    auto holder = std::make_unique<CPortService>(holderOwner, holderLayer, TestConfig());
    ASSERT_TRUE(holder->StartServer());
    TestClient client(holder->BoundPort());
    ASSERT_TRUE(WaitUntil([&] { return holder->ClientCount() == 1; }, 5s));
    const std::u16string kError = u"ERROR:==================";
    // The port taken; an address in the documentation range, never this machine's.
    for (const auto& [address, port, line] :
         {std::make_tuple("127.0.0.1", holder->BoundPort(), u"Bind server socket failed."),
          std::make_tuple("192.0.2.1", std::uint16_t{0}, u"Firewall blocked the Hitched.")}) {
        TraceCapture::Clear();
        RecordingOwner owner;
        CountingLayer layer;
        {
            PortServiceConfig config = TestConfig();
            config.bindAddress = address;
            config.port = port;
            CPortService server(owner, layer, config);
            EXPECT_FALSE(server.StartServer());
            server.StopServer();
        } // the destructor stops it once more
        EXPECT_EQ(TraceCapture::Count(kError + line), 1) << address;
        EXPECT_EQ(TraceCapture::Count(kError + u"Bind server socket failed.") +
                      TraceCapture::Count(kError + u"Firewall blocked the Hitched."),
                  1);
        EXPECT_EQ(owner.startedSignals, 1) << "the start-up event is set so no launcher waits";
        EXPECT_EQ(layer.Released(), "1 1 1") << address;
    }
    holder->StopServer();
    holder->StopServer();
    holder.reset();
    EXPECT_EQ(holderOwner.startedSignals, 0);
    EXPECT_EQ(holderLayer.Released(), "1 1 1") << "started, listener closed, cleaned up once";
}

// Runs `work` on another thread; a hang fails the test at once instead of blocking the run.
template <typename F> void FinishesWithin(std::chrono::seconds limit, F work) {
    auto done = std::async(std::launch::async, work);
    if (done.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << "did not finish within " << limit.count() << " s";
        std::fflush(nullptr);
        std::_Exit(1);
    }
}

TEST_F(PortServer, StopEndsEveryConnectionAndThreadMidReplyAndMidBroadcast) {
    PortServiceConfig config = TestConfig();
    config.timing.pushClientPauseMs = 1000; // a broadcast to ten clients lasts 13 s
    Start(config);
    Broadcast(*server, {phone});
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 10; ++i)
        clients.push_back(std::make_unique<TestClient>(port));
    WaitForClients(10);
    EXPECT_EQ(clients[0]->Request(u"COM5"), kPortDone);
    ASSERT_TRUE(clients[1]->Send(kKeyGetAllConnectedPhone));
    // The stop comes a fraction into the broadcast, which must stop pausing too.
    auto broadcast = std::async(std::launch::async, [&] { Broadcast(*server, {phone}); });
    std::this_thread::sleep_for(300ms);
    const auto start = Clock::now();
    FinishesWithin(20s, [&] { server->StopServer(); });
    ASSERT_EQ(broadcast.wait_for(20s), std::future_status::ready);
    EXPECT_LT(Clock::now() - start, 2500ms) << "the broadcast paused for clients that are gone";
    EXPECT_EQ(server->RunningConnectionThreads(), 0);
    EXPECT_EQ(server->ClientCount(), 0u);
    EXPECT_TRUE(server->TableSnapshot().empty());
    EXPECT_EQ(TraceCapture::Count(u"ProcessConnectedPhoneThread end"), 10);
    for (auto& client : clients) {
        ServerMessage m;
        while (client->Next(m, 3000)) {
        } // whatever was on its way may arrive; then the connection must end
        EXPECT_FALSE(client->Next(m, 100));
    }
    ClientConnection late;
    EXPECT_FALSE(late.Connect("127.0.0.1", port, nullptr)) << "nobody listens after the stop";
}

// The owner's switch call runs on the connection's thread. This one notes that thread's stack,
// and, like a sent window message, is only handled once the stopping thread serves it.
class MessageLikeOwner : public RecordingOwner {
public:
    void OnConnectTypeSwitch(int code, bool enable) override {
        stackBytes = CurrentThreadStackBytes();
        std::unique_lock<std::mutex> lock(m_lock);
        m_waiting = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_served; });
        lock.unlock();
        RecordingOwner::OnConnectTypeSwitch(code, enable);
    }
    void ServePendingCalls() override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_served = m_waiting;
        m_changed.notify_all();
    }
    bool WaitUntilCallPending() {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, 5s, [&] { return m_waiting; });
    }
    static std::size_t CurrentThreadStackBytes() {
        std::size_t bytes = 0;
#ifdef _WIN32
        using Limits = void(WINAPI*)(PULONG_PTR, PULONG_PTR);
        auto limits = reinterpret_cast<Limits>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetCurrentThreadStackLimits")));
        ULONG_PTR low = 0, high = 0;
        if (limits != nullptr)
            limits(&low, &high);
        bytes = high - low;
#else
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstacksize(&attributes, &bytes);
            pthread_attr_destroy(&attributes);
        }
#endif
        return bytes;
    }

    std::atomic<std::size_t> stackBytes{0};

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_waiting = false;
    bool m_served = false;
};

TEST(PortServerStop, StopServesTheOwnerCallOfAConnectionThreadWhoseStackIsSmall) {
    TraceCapture trace;
    MessageLikeOwner owner;
    CPortService server(owner, PlatformSocketLayer(), TestConfig());
    ASSERT_TRUE(server.StartServer());
    TestClient a(server.BoundPort());
    ASSERT_TRUE(a.Send(u"EnableConnectType\r\nENABLE_CONN_TYPE_USB"));
    ASSERT_TRUE(owner.WaitUntilCallPending());
    // Not the system's default stack (2 MB on Windows, 8 MB on Linux); Wine rounds every stack
    // up to 1 MB.
    EXPECT_GT(owner.stackBytes.load(), 0u);
    EXPECT_LE(owner.stackBytes.load(), 1024u * 1024u);
    FinishesWithin(20s, [&] { server.StopServer(); });
    EXPECT_EQ(owner.Switches(), (std::vector<std::pair<int, bool>>{{1, true}}));
}

} // namespace
