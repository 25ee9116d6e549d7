// The socket backend of this build through the server's send_data and recv_data: results,
// the reset status, the three timed-out waits, and waking a waiting receive.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using hitched::ClientConnection;
using hitched::kInvalidSocket;
using hitched::SocketHandle;
using hitched::testing::RecordingOwner;
using hitched::testing::TraceCapture;

namespace {

// A listener of the backend, a client connected to it and the server-side socket.
class SocketPair : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(listener, kInvalidSocket);
        ASSERT_EQ(layer.Bind(listener, "127.0.0.1", 0, nullptr), hitched::BindOutcome::Bound);
        ASSERT_TRUE(layer.Listen(listener, 20));
        ASSERT_TRUE(client.Connect("127.0.0.1", layer.LocalPort(listener), nullptr));
        accepted = layer.Accept(listener);
        ASSERT_NE(accepted, kInvalidSocket);
    }
    void TearDown() override {
        client.Close();
        if (accepted != kInvalidSocket)
            layer.Close(accepted);
        if (!layer.WakeAccept(listener))
            layer.Close(listener);
    }

    TraceCapture trace;
    RecordingOwner owner;
    hitched::ISocketLayer& layer = hitched::PlatformSocketLayer();
    CPortService service{owner, layer}; // never started: its send_data and recv_data are used
    SocketHandle listener = layer.CreateListenSocket();
    ClientConnection client;
    SocketHandle accepted = kInvalidSocket;
};

TEST_F(SocketPair, ReceiveReturnsWhatArrivedWithStatusZero) {
    ASSERT_TRUE(client.Send({'a', 0, 'b', 0, 'c'}));
    std::uint8_t buffer[255] = {};
    int status = -1;
    std::size_t n = 0;
    // TCP may hand the five bytes over in pieces.
    while (n < 5) {
        std::size_t got = service.recv_data(accepted, buffer + n, sizeof buffer - n, &status,
                                            hitched::kWaitForever);
        ASSERT_GT(got, 0u);
        EXPECT_EQ(status, 0);
        n += got;
    }
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[4], 'c');
}

TEST_F(SocketPair, ReceiveGivesUpAfterThreeTimedOutWaits) {
    std::uint8_t buffer[255];
    int status = -1;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(service.recv_data(accepted, buffer, sizeof buffer, &status, 100), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(TraceCapture::Count(u"CPortService::recv_data() Timeout."), 3);
    // The connection is still usable afterwards.
    ASSERT_TRUE(client.Send({'o', 0}));
    EXPECT_EQ(service.recv_data(accepted, buffer, sizeof buffer, &status, 5000), 2u);
}

TEST_F(SocketPair, AResetGivesNoBytesAndStatusEightAnOrderlyCloseStatusZero) {
    std::uint8_t buffer[255];
    int status = -1;
    auto waiting = std::async(std::launch::async, [&] {
        return service.recv_data(accepted, buffer, sizeof buffer, &status, hitched::kWaitForever);
    });
    std::this_thread::sleep_for(100ms); // the receive is pending when the reset comes
    client.Reset();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), 0u);
    EXPECT_EQ(status, hitched::kRecvStatusReset);

    ClientConnection polite;
    ASSERT_TRUE(polite.Connect("127.0.0.1", layer.LocalPort(listener), nullptr));
    SocketHandle second = layer.Accept(listener);
    polite.Close();
    status = -1;
    EXPECT_EQ(service.recv_data(second, buffer, sizeof buffer, &status, 5000), 0u);
    EXPECT_EQ(status, 0);
    layer.Close(second);
}

TEST_F(SocketPair, ASendThatCannotCompleteIsGivenUpAfterThreeWaits) {
    // The client never reads: once both sides' buffers are full the send cannot finish.
    std::vector<std::uint8_t> big(64 * 1024 * 1024, 0x5A);
    int status = -1;
    auto start = std::chrono::steady_clock::now();
    std::size_t sent = service.send_data(accepted, big.data(), big.size(), &status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 590ms);
    EXPECT_LT(sent, big.size());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(TraceCapture::Count(u"CPortService::send_data() Timeout."), 3);
}

TEST_F(SocketPair, InterruptWakesAWaitingReceiveAndFailsTheNextAtOnce) {
    std::uint8_t buffer[255];
    int status = -1;
    auto waiting = std::async(std::launch::async, [&] {
        return layer.Recv(accepted, buffer, sizeof buffer, &status, hitched::kWaitForever);
    });
    std::this_thread::sleep_for(100ms);
    layer.Interrupt(accepted);
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready) << "the receive was not woken";
    EXPECT_EQ(waiting.get(), 0u);
    auto later = std::async(std::launch::async, [&] {
        return layer.Recv(accepted, buffer, sizeof buffer, &status, hitched::kWaitForever);
    });
    ASSERT_EQ(later.wait_for(10s), std::future_status::ready) << "a later receive waited";
    EXPECT_EQ(later.get(), 0u);
}

TEST_F(SocketPair, SendAndReceiveOnNoSocketAnswerZero) {
    std::uint8_t buffer[4] = {1, 2, 3, 4};
    int status = -1;
    EXPECT_EQ(service.send_data(kInvalidSocket, buffer, 4, &status, 100), 0u);
    EXPECT_EQ(status, 0);
    status = -1;
    EXPECT_EQ(service.recv_data(kInvalidSocket, buffer, 4, &status, 100), 0u);
    EXPECT_EQ(status, 0);
}

} // namespace
