// Start, bind failures, stop with live connections and threads, and the socket calls that
// start and stop make.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>

#include "portservice/protocol.h"
#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using hitched::ServerMessage;
using hitched::testing::Broadcast;
using hitched::testing::MakePhone;
using hitched::testing::RecordingOwner;
using hitched::testing::TestClient;
using hitched::testing::TestConfig;
using hitched::testing::TraceCapture;
using hitched::testing::WaitUntil;

namespace {

// Runs `work` on another thread; a hang fails the test at once instead of blocking the run.
template <typename F> void FinishesWithin(std::chrono::seconds limit, F work, const char* what) {
    auto done = std::async(std::launch::async, work);
    if (done.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << what << " did not finish within " << limit.count() << " s";
        std::fflush(nullptr);
        std::_Exit(1);
    }
    done.get();
}

TEST(PortServerStart, BindFailsWhenThePortIsTakenAndSaysSo) {
    TraceCapture trace;
    RecordingOwner owner1, owner2;
    CPortService first(owner1, hitched::PlatformSocketLayer(), TestConfig());
    ASSERT_TRUE(first.StartServer());
    hitched::PortServiceConfig config = TestConfig();
    config.port = first.BoundPort();
    CPortService second(owner2, hitched::PlatformSocketLayer(), config);
    EXPECT_FALSE(second.StartServer());
    EXPECT_EQ(TraceCapture::Count(u"ERROR:==================Bind server socket failed."), 1);
    EXPECT_EQ(TraceCapture::Count(u"ERROR:==================Firewall blocked the Hitched."), 0);
    EXPECT_EQ(owner2.StartedSignals(), 1) << "the start-up event is set so no launcher waits";
    EXPECT_EQ(owner1.StartedSignals(), 0);
}

TEST(PortServerStart, BindToAnAddressThatIsNotThisMachinesBlamesTheFirewall) {
    TraceCapture trace;
    RecordingOwner owner;
    hitched::PortServiceConfig config = TestConfig();
    config.bindAddress = "192.0.2.1"; // documentation range: never a local address
    CPortService server(owner, hitched::PlatformSocketLayer(), config);
    EXPECT_FALSE(server.StartServer());
    EXPECT_EQ(TraceCapture::Count(u"ERROR:==================Firewall blocked the Hitched."), 1);
    EXPECT_EQ(TraceCapture::Count(u"ERROR:==================Bind server socket failed."), 0);
    EXPECT_EQ(owner.StartedSignals(), 1);
}

TEST(PortServerStart, DefaultsAreTheProductionOnesAndAllInterfacesAreServed) {
    hitched::PortServiceConfig defaults;
    EXPECT_EQ(defaults.port, 9520);
    EXPECT_EQ(defaults.bindAddress, "0.0.0.0");
    EXPECT_EQ(defaults.backlog, 20);
    EXPECT_EQ(defaults.timing.sendWaitMs, 10000u);
    EXPECT_EQ(defaults.timing.acceptPauseMs, 200u);
    EXPECT_EQ(defaults.timing.pushHeaderPauseMs + defaults.timing.pushClientPauseMs, 500u);
    EXPECT_EQ(defaults.timing.listHeaderPauseMs + defaults.timing.listPayloadPauseMs, 100u);

    TraceCapture trace;
    RecordingOwner owner;
    hitched::PortServiceConfig config; // 0.0.0.0, but a port of the system's choosing
    config.port = 0;
    CPortService server(owner, hitched::PlatformSocketLayer(), config);
    ASSERT_TRUE(server.StartServer());
    Broadcast(server, {MakePhone(1, u"COM5", u"Ostra A1")});
    TestClient a(server.BoundPort());
    EXPECT_EQ(a.Request(u"COM5"), hitched::kPortDone);
    EXPECT_EQ(owner.StartedSignals(), 0);
}

TEST(PortServerStop, StopWithConnectedClientsEndsEveryConnectionAndThread) {
    TraceCapture trace;
    RecordingOwner owner;
    CPortService server(owner, hitched::PlatformSocketLayer(), TestConfig());
    ASSERT_TRUE(server.StartServer());
    Broadcast(server, {MakePhone(1, u"COM5", u"Ostra A1")});
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 5; ++i)
        clients.push_back(std::make_unique<TestClient>(server.BoundPort()));
    EXPECT_EQ(clients[0]->Request(u"COM5"), hitched::kPortDone);
    ASSERT_TRUE(WaitUntil([&] { return server.ClientCount() == 5; }, 10s));
    // One connection is in the middle of its list reply when the stop comes.
    ASSERT_TRUE(clients[1]->Send(hitched::kKeyGetAllConnectedPhone));
    std::this_thread::sleep_for(20ms);

    FinishesWithin(
        20s, [&] { server.StopServer(); }, "StopServer");
    EXPECT_EQ(server.RunningConnectionThreads(), 0);
    EXPECT_EQ(server.ClientCount(), 0u);
    EXPECT_TRUE(server.TableSnapshot().empty());
    for (std::size_t i = 0; i < clients.size(); ++i) {
        ServerMessage m;
        // Whatever was on its way may still arrive; then the connection must end.
        while (clients[i]->Next(m, 3000)) {
        }
        EXPECT_FALSE(clients[i]->Next(m, 100)) << "client " << i;
    }
    hitched::ClientConnection late;
    EXPECT_FALSE(late.Connect("127.0.0.1", server.BoundPort(), nullptr))
        << "nobody listens after the stop";
    EXPECT_EQ(TraceCapture::Count(u"ProcessConnectedPhoneThread end"), 5);
}

TEST(PortServerStop, StopWhileABroadcastIsUnderwayCutsItsPausesShort) {
    TraceCapture trace;
    RecordingOwner owner;
    auto server =
        std::make_unique<CPortService>(owner, hitched::PlatformSocketLayer(), TestConfig());
    ASSERT_TRUE(server->StartServer());
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 10; ++i)
        clients.push_back(std::make_unique<TestClient>(server->BoundPort()));
    ASSERT_TRUE(WaitUntil([&] { return server->ClientCount() == 10; }, 10s));
    // Ten clients make a broadcast of five seconds; the stop comes after a fraction of it.
    auto broadcast = std::async(std::launch::async,
                                [&] { Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")}); });
    std::this_thread::sleep_for(300ms);
    auto start = std::chrono::steady_clock::now();
    FinishesWithin(
        20s, [&] { server->StopServer(); }, "StopServer");
    ASSERT_EQ(broadcast.wait_for(20s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms)
        << "the broadcast should not keep pausing for clients that are gone";
    server.reset();
}

// Counts the calls the server makes into the real POSIX/Winsock backend.
class CountingLayer : public hitched::ISocketLayer {
public:
    bool Startup() override {
        ++startups;
        return real.Startup();
    }
    void Cleanup() override {
        ++cleanups;
        real.Cleanup();
    }
    hitched::SocketHandle CreateListenSocket() override {
        listener = real.CreateListenSocket();
        return listener;
    }
    hitched::BindOutcome Bind(hitched::SocketHandle s, const std::string& a, std::uint16_t p,
                              int* e) override {
        return real.Bind(s, a, p, e);
    }
    bool Listen(hitched::SocketHandle s, int b) override { return real.Listen(s, b); }
    std::uint16_t LocalPort(hitched::SocketHandle s) override { return real.LocalPort(s); }
    hitched::SocketHandle Accept(hitched::SocketHandle s) override { return real.Accept(s); }
    bool WakeAccept(hitched::SocketHandle s) override {
        bool released = real.WakeAccept(s);
        listenerReleases += released ? 1 : 0;
        return released;
    }
    std::size_t Send(hitched::SocketHandle s, const std::uint8_t* d, std::size_t n,
                     std::uint32_t w) override {
        return real.Send(s, d, n, w);
    }
    std::size_t Recv(hitched::SocketHandle s, std::uint8_t* b, std::size_t n, int* st,
                     std::uint32_t w) override {
        return real.Recv(s, b, n, st, w);
    }
    void Interrupt(hitched::SocketHandle s) override { real.Interrupt(s); }
    void Close(hitched::SocketHandle s) override {
        if (s == listener)
            ++listenerReleases;
        real.Close(s);
    }

    hitched::ISocketLayer& real = hitched::PlatformSocketLayer();
    hitched::SocketHandle listener = hitched::kInvalidSocket;
    std::atomic<int> startups{0}, cleanups{0}, listenerReleases{0};
};

TEST(PortServerStop, StopTwiceThenDestroyReleasesTheListenerAndTheLibraryOnce) {
    TraceCapture trace;
    RecordingOwner owner;
    CountingLayer layer;
    {
        CPortService server(owner, layer, TestConfig());
        EXPECT_EQ(layer.startups.load(), 1);
        ASSERT_TRUE(server.StartServer());
        TestClient a(server.BoundPort());
        ASSERT_TRUE(WaitUntil([&] { return server.ClientCount() == 1; }, 5s));
        server.StopServer();
        server.StopServer();
    }
    EXPECT_EQ(layer.listenerReleases.load(), 1);
    EXPECT_EQ(layer.cleanups.load(), 1);
    EXPECT_EQ(layer.startups.load(), 1);
}

TEST(PortServerStop, AFailedStartIsCleanedUpOnceToo) {
    TraceCapture trace;
    RecordingOwner owner;
    CountingLayer layer;
    {
        hitched::PortServiceConfig config = TestConfig();
        config.bindAddress = "192.0.2.1";
        CPortService server(owner, layer, config);
        EXPECT_FALSE(server.StartServer());
        server.StopServer();
    }
    EXPECT_EQ(layer.listenerReleases.load(), 1) << "the socket stays until the stop";
    EXPECT_EQ(layer.cleanups.load(), 1);
}

// An owner whose switch call, like a sent window message, is only handled when the thread
// that stops the server serves pending calls.
class MessageLikeOwner : public RecordingOwner {
public:
    void OnConnectTypeSwitch(int code, bool enable) override {
        std::unique_lock<std::mutex> lock(m_lock);
        m_waiting = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_served; });
        m_waiting = false;
        lock.unlock();
        RecordingOwner::OnConnectTypeSwitch(code, enable);
    }
    void ServePendingCalls() override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_waiting) {
            m_served = true;
            m_changed.notify_all();
        }
    }
    bool WaitUntilCallPending() {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, 5s, [&] { return m_waiting; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_waiting = false;
    bool m_served = false;
};

TEST(PortServerStop, StopServesTheOwnerCallOfAConnectionThreadInsteadOfDeadlocking) {
    TraceCapture trace;
    MessageLikeOwner owner;
    CPortService server(owner, hitched::PlatformSocketLayer(), TestConfig());
    ASSERT_TRUE(server.StartServer());
    TestClient a(server.BoundPort());
    ASSERT_TRUE(a.Send(u"EnableConnectType\r\nENABLE_CONN_TYPE_USB"));
    ASSERT_TRUE(owner.WaitUntilCallPending());
    FinishesWithin(
        20s, [&] { server.StopServer(); }, "StopServer");
    std::vector<std::pair<int, bool>> expected = {{1, true}};
    EXPECT_EQ(owner.Switches(), expected);
}

} // namespace
