// This build's socket backend (POSIX natively, overlapped Winsock under Wine) through the
// server's send_data and recv_data: results, the reset status and the three timed-out waits.
// Waking a waiting receive is the stop's part (port_server_test).
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using namespace hitched;
using hitched::testing::TraceCapture;

namespace {

// A listener of the backend, a client connected to it and the server-side socket.
class SocketPair : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(layer.Bind(listener, "127.0.0.1", 0, nullptr), BindOutcome::Bound);
        ASSERT_TRUE(layer.Listen(listener, 20));
        ASSERT_TRUE(client.Connect("127.0.0.1", layer.LocalPort(listener), nullptr));
        accepted = layer.Accept(listener);
        ASSERT_NE(accepted, kInvalidSocket);
    }
    void TearDown() override {
        client.Close();
        layer.Close(accepted);
        if (!layer.WakeAccept(listener))
            layer.Close(listener);
    }
    std::size_t Receive(SocketHandle socket, int* status, std::uint32_t waitMs) {
        return service.recv_data(socket, buffer, sizeof buffer, status, waitMs);
    }

    TraceCapture trace;
    hitched::testing::RecordingOwner owner;
    ISocketLayer& layer = PlatformSocketLayer();
    CPortService service{owner, layer}; // never started: its send_data and recv_data are used
    SocketHandle listener = layer.CreateListenSocket();
    ClientConnection client;
    SocketHandle accepted = kInvalidSocket;
    std::uint8_t buffer[255] = {};
};

TEST_F(SocketPair, ReceiveGivesUpAfterThreeTimedOutWaitsThenStillGetsWhatArrives) {
    int status = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Receive(accepted, &status, 100), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
    EXPECT_EQ(TraceCapture::Count(u"CPortService::recv_data() Timeout."), 3);
    ASSERT_TRUE(client.Send({'a', 0, 'b', 0}));
    status = -1;
    EXPECT_EQ(Receive(accepted, &status, kWaitForever), 4u);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(buffer[2], 'b');
    EXPECT_EQ(service.recv_data(kInvalidSocket, buffer, 4, &status, 100), 0u);
    EXPECT_EQ(service.send_data(kInvalidSocket, buffer, 4, &status, 100), 0u);
}

TEST_F(SocketPair, APendingReceiveEndsWithStatusEightAtAResetAndZeroAtAClose) {
    int status = -1;
    auto waiting =
        std::async(std::launch::async, [&] { return Receive(accepted, &status, kWaitForever); });
    std::this_thread::sleep_for(100ms); // the receive is pending when the reset comes
    client.Reset();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), 0u);
    EXPECT_EQ(status, kRecvStatusReset);
    ClientConnection polite;
    ASSERT_TRUE(polite.Connect("127.0.0.1", layer.LocalPort(listener), nullptr));
    const SocketHandle second = layer.Accept(listener);
    status = -1;
    waiting = std::async(std::launch::async, [&] { return Receive(second, &status, 5000); });
    std::this_thread::sleep_for(100ms);
    polite.Close();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), 0u);
    EXPECT_EQ(status, 0) << "only a reset says 8";
    layer.Close(second);
}

TEST_F(SocketPair, ASendThatCannotCompleteIsGivenUpAfterThreeWaits) {
    // The client never reads: once both sides' buffers are full the send cannot finish.
    std::vector<std::uint8_t> big(64 * 1024 * 1024, 0x5A);
    int status = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_LT(service.send_data(accepted, big.data(), big.size(), &status, 200), big.size());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 590ms);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(TraceCapture::Count(u"CPortService::send_data() Timeout."), 3);
}

} // namespace
