// The conversation between clients and the port server over real sockets, with the
// production pauses: claims, releases, holds across rebuilds, list replies and pushes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>

#include "portservice/protocol.h"
#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using hitched::kPortDone;
using hitched::kPortInvalid;
using hitched::kPortUsed;
using hitched::ServerMessage;
using hitched::ServerMessageKind;
using hitched::testing::Broadcast;
using hitched::testing::HeldRows;
using hitched::testing::MakePhone;
using hitched::testing::TestClient;
using hitched::testing::TraceCapture;
using hitched::testing::WaitUntil;

namespace {

class PortServer : public ::testing::Test {
protected:
    PortServer()
        : server(std::make_unique<CPortService>(owner, hitched::PlatformSocketLayer(),
                                                hitched::testing::TestConfig())) {}
    ~PortServer() override {
        owner.StopPlaying();
        server.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(server->StartServer());
        port = server->BoundPort();
        ASSERT_NE(port, 0);
    }
    // Pushes reach only accepted clients, and accepting is paced.
    void WaitForClients(std::size_t n) {
        ASSERT_TRUE(WaitUntil([&] { return server->ClientCount() == n; }, 10s))
            << "clients served: " << server->ClientCount();
    }

    TraceCapture trace;
    hitched::testing::RecordingOwner owner;
    std::unique_ptr<CPortService> server;
    std::uint16_t port = 0;
};

std::vector<std::uint8_t> Utf16(const std::u16string& text) {
    return hitched::EncodeText(text);
}

TEST_F(PortServer, OnePortTwoClientsFirstWinsAndTheSecondGetsItAfterTheFirstLeaves) {
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    TestClient a(port), b(port);
    ASSERT_TRUE(a.connected() && b.connected());
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
    EXPECT_EQ(b.Request(u"COM5"), kPortUsed);
    EXPECT_EQ(a.Request(u"COM5"), kPortUsed) << "the holder asking again is refused too";
    a.Close();
    ASSERT_TRUE(WaitUntil([&] { return HeldRows(*server) == 0; }, 5s));
    EXPECT_EQ(b.Request(u"COM5"), kPortDone);
}

TEST_F(PortServer, HoldFollowsThePhoneAcrossARebuildWithAChangedPort) {
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1"), MakePhone(1, u"COM6", u"Ostra B2")});
    TestClient a(port), b(port);
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
    WaitForClients(2);

    Broadcast(*server, {MakePhone(1, u"COM6", u"Ostra B2"), MakePhone(1, u"COM7", u"Ostra A1")});
    for (TestClient* c : {&a, &b}) {
        ServerMessage push;
        ASSERT_TRUE(c->NextPhoneList(push));
        EXPECT_EQ(push.kind, ServerMessageKind::UpdateConnectedPhone);
        ASSERT_EQ(push.count, 2u);
        ASSERT_EQ(push.phones.size(), 2u);
        EXPECT_EQ(std::u16string(push.phones[1].dwSerialPort), u"COM7");
    }
    EXPECT_EQ(b.Request(u"COM7"), kPortUsed) << "A1 moved to COM7 and is still held";
    EXPECT_EQ(b.Request(u"COM5"), kPortInvalid) << "COM5 is gone";
    auto rows = server->TableSnapshot();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].bUsed, 0u);
    EXPECT_EQ(rows[1].bUsed, 1u);
    EXPECT_NE(rows[1].sOwner, 0u);

    a.Release(u"COM7");
    EXPECT_EQ(b.Request(u"COM7"), kPortDone);
}

TEST_F(PortServer, ReleaseByAClientThatDoesNotHoldThePortChangesNothing) {
    Broadcast(*server, {MakePhone(2, u"COM5", u"Ostra A1")});
    TestClient a(port), b(port);
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
    b.Release(u"COM5");
    EXPECT_EQ(b.Request(u"COM5"), kPortUsed);
    a.Release(u"COM5");
    EXPECT_EQ(b.Request(u"COM5"), kPortDone);
}

TEST_F(PortServer, RequestFollowedByCrLfDoesNotMatchThePort) {
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    TestClient a(port);
    EXPECT_EQ(a.Request(u"COM5\r\n"), kPortInvalid);
    EXPECT_EQ(a.Request(u"com5"), kPortInvalid) << "comparison is case-sensitive";
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
}

TEST_F(PortServer, EmptyTableGetsNoListReplyAndAFullOneGetsHeaderThenSlots) {
    TestClient a(port);
    ASSERT_TRUE(a.Send(hitched::kKeyGetAllConnectedPhone));
    ServerMessage message;
    EXPECT_FALSE(a.Next(message, 1500)) << "an empty table is answered with silence";
    EXPECT_EQ(TraceCapture::Count(u"send GET_ALL_CONNECTEDPHONE data over!"), 0);

    std::vector<_CONNECTEDPHONE_T> phones = {MakePhone(1, u"COM5", u"Ostra A1"),
                                             MakePhone(2, u"COM8", u"Ostra B2"),
                                             MakePhone(3, u"", u"Ostra C3")};
    Broadcast(*server, phones);
    ASSERT_TRUE(a.NextPhoneList(message)); // the push
    EXPECT_EQ(message.kind, ServerMessageKind::UpdateConnectedPhone);

    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(a.Send(hitched::kKeyGetAllConnectedPhone));
    ASSERT_TRUE(a.NextPhoneList(message));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(message.kind, ServerMessageKind::GetAllConnectedPhone);
    ASSERT_EQ(message.count, 3u);
    ASSERT_EQ(message.phones.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(&message.phones[i], &phones[i], sizeof phones[i]), 0) << i;
    EXPECT_GE(elapsed, 100ms) << "two pauses of 50 ms lie between header and payload";
    EXPECT_TRUE(WaitUntil(
        [] { return TraceCapture::Count(u"send GET_ALL_CONNECTEDPHONE data over!") == 1; }, 2s));
}

TEST_F(PortServer, ListReplyBytesAreTheHeaderThenRecordsEachFollowedBy2056Zeros) {
    std::vector<_CONNECTEDPHONE_T> phones = {MakePhone(1, u"COM5", u"Ostra A1"),
                                             MakePhone(1, u"COM6", u"Ostra B2"),
                                             MakePhone(2, u"COM7", u"Ostra C3")};
    Broadcast(*server, phones);
    hitched::ClientConnection raw;
    ASSERT_TRUE(raw.Connect("127.0.0.1", port, nullptr));
    ASSERT_TRUE(raw.Send(Utf16(hitched::kKeyGetAllConnectedPhone)));
    std::vector<std::uint8_t> expected = Utf16(u"GetAllConnectedPhone\r\n3");
    const std::size_t headerBytes = expected.size();
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[8192];
    while (got.size() < headerBytes + 12336) {
        int n = raw.Receive(buffer, sizeof buffer, 5000);
        ASSERT_GT(n, 0) << "after " << got.size() << " bytes";
        got.insert(got.end(), buffer, buffer + n);
    }
    EXPECT_EQ(raw.Receive(buffer, sizeof buffer, 300), hitched::ClientConnection::kTimeout)
        << "nothing follows the slots";
    ASSERT_EQ(got.size(), headerBytes + 12336);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
    const std::uint8_t* payload = got.data() + headerBytes;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::memcmp(payload + i * 4112, &phones[i], 2056), 0) << "slot " << i;
        for (std::size_t b = 2056; b < 4112; ++b)
            ASSERT_EQ(payload[i * 4112 + b], 0) << "slot " << i << " byte " << b;
    }
}

TEST_F(PortServer, PushOfAnEmptyListReachesEveryClientNowAndAgainFiveSecondsLater) {
    owner.PlayRetryTimer(server.get(), 5000);
    TestClient a(port), b(port);
    WaitForClients(2);
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    ServerMessage m;
    for (TestClient* c : {&a, &b}) {
        ASSERT_TRUE(c->NextPhoneList(m));
        EXPECT_EQ(m.count, 1u);
    }
    EXPECT_EQ(owner.TimerSets(), 0);

    Broadcast(*server, {});
    auto afterFirst = std::chrono::steady_clock::now();
    EXPECT_EQ(owner.TimerSets(), 1);
    for (TestClient* c : {&a, &b}) {
        ASSERT_TRUE(c->NextPhoneList(m));
        EXPECT_EQ(m.kind, ServerMessageKind::UpdateConnectedPhone);
        EXPECT_EQ(m.count, 0u);
        EXPECT_TRUE(m.phones.empty());
    }
    for (TestClient* c : {&a, &b}) {
        ASSERT_TRUE(c->NextPhoneList(m, 9000)) << "the retry push did not come";
        EXPECT_EQ(m.count, 0u);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - afterFirst, 4500ms);
    EXPECT_EQ(owner.TimerSets(), 1) << "the retry push must not set the timer again";
    EXPECT_FALSE(a.NextPhoneList(m, 1500)) << "only one retry";
}

TEST_F(PortServer, APhoneArrivingWithinFiveSecondsCancelsTheRetryPush) {
    owner.PlayRetryTimer(server.get(), 5000);
    TestClient a(port);
    WaitForClients(1);
    Broadcast(*server, {});
    ServerMessage m;
    ASSERT_TRUE(a.NextPhoneList(m));
    EXPECT_EQ(m.count, 0u);
    std::this_thread::sleep_for(1s);
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    ASSERT_TRUE(a.NextPhoneList(m));
    EXPECT_EQ(m.count, 1u);
    EXPECT_GE(owner.TimerKills(), 1);
    EXPECT_FALSE(a.NextPhoneList(m, 6000)) << "the timer was killed; no empty push may follow";
}

TEST_F(PortServer, AReadHoldingReleaseAndRequestIsTakenAsTheRequest) {
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    TestClient a(port);
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
    // Had the release been carried out, the request would succeed.
    EXPECT_EQ(a.Request(u"COM5" + std::u16string(hitched::kKeyReleaseSerialPort) + u"COM5"),
              kPortInvalid)
        << "the argument runs to the end of the read";
    ASSERT_TRUE(a.Send(std::u16string(hitched::kKeyReleaseSerialPort) + u"COM5" +
                       std::u16string(hitched::kKeyRequestSerialPort) + u"COM5"));
    ServerMessage m;
    ASSERT_TRUE(a.Next(m));
    EXPECT_EQ(m.kind, ServerMessageKind::RequestReply);
    EXPECT_EQ(m.portResult, kPortUsed) << "the request was searched first; the hold stands";
}

TEST_F(PortServer, SwitchWordsReachTheOwnerOnlyWhenAWordIsPresent) {
    TestClient a(port);
    auto sendAlone = [&](const std::u16string& text) {
        ASSERT_TRUE(a.Send(text));
        std::this_thread::sleep_for(150ms); // one read per request
    };
    sendAlone(u"DisableConnectType\r\nENABLE_CONN_TYPE_BT");
    sendAlone(u"DisableConnectType\r\nBT");
    sendAlone(u"EnableConnectType\r\nxx ENABLE_CONN_TYPE_IR ENABLE_CONN_TYPE_USB");
    sendAlone(u"EnableConnectType\r\n");
    sendAlone(u"RequestModemPort\r\nCOM5");
    ASSERT_TRUE(WaitUntil([&] { return owner.Switches().size() >= 2; }, 5s));
    std::this_thread::sleep_for(200ms);
    std::vector<std::pair<int, bool>> expected = {{2, false}, {1, true}};
    EXPECT_EQ(owner.Switches(), expected) << "USB is searched before IR";
    ServerMessage m;
    EXPECT_FALSE(a.Next(m, 300)) << "none of these is answered";
}

TEST_F(PortServer, GarbageSplitAndOversizedReadsAreSurvivedAndAnsweredByTheRules) {
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1"), MakePhone(1, u"COM6", u"Ostra B2"),
                        MakePhone(1, u"COM7", u"Ostra C3")});
    TestClient a(port);
    auto pause = [] { std::this_thread::sleep_for(150ms); };
    std::mt19937 random(4);
    std::vector<std::uint8_t> garbage(255);
    for (auto& b : garbage)
        b = static_cast<std::uint8_t>(random());
    ASSERT_TRUE(a.SendBytes(garbage));
    pause();
    ASSERT_TRUE(a.Send(u"hello, is anybody there?"));
    pause();
    ASSERT_TRUE(a.Send(std::u16string(700, u'x'))); // 1400 bytes: six reads of nothing
    pause();
    ASSERT_TRUE(a.Send(u"RequestSerial")); // a request split over two reads is not pieced
    pause();
    ASSERT_TRUE(a.Send(u"Port\r\nCOM5"));
    pause();
    ServerMessage m;
    EXPECT_FALSE(a.Next(m, 500)) << "nothing so far deserves an answer";

    // The text ends at the first NUL; an odd last byte is ignored.
    std::vector<std::uint8_t> withNul = Utf16(u"RequestSerialPort\r\nCOM5");
    withNul.insert(withNul.end(), {0, 0, 'j', 0, 'u', 0});
    EXPECT_EQ(a.SendBytes(withNul), true);
    ASSERT_TRUE(a.Next(m));
    EXPECT_EQ(m.portResult, kPortDone);
    std::vector<std::uint8_t> odd = Utf16(u"RequestSerialPort\r\nCOM6");
    odd.push_back('7');
    ASSERT_TRUE(a.SendBytes(odd));
    ASSERT_TRUE(a.Next(m));
    EXPECT_EQ(m.portResult, kPortDone);

    // 600 bytes: the first read of 255 carries the request with a long tail of spaces.
    ASSERT_TRUE(a.Send(u"RequestSerialPort\r\nCOM7" + std::u16string(277, u' ')));
    ASSERT_TRUE(a.Next(m));
    EXPECT_EQ(m.portResult, kPortInvalid);
    EXPECT_FALSE(a.Next(m, 500)) << "the rest of the oversized request is not answered";
    EXPECT_EQ(a.Request(u"COM7"), kPortDone) << "the connection is still served";
}

TEST_F(PortServer, AResetEndsTheConnectionFreesItsHoldsAndDropsItFromTheClientList) {
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    TestClient a(port), b(port);
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
    WaitForClients(2);
    a.Reset();
    ASSERT_TRUE(
        WaitUntil([&] { return HeldRows(*server) == 0 && server->ClientCount() == 1; }, 5s));
    EXPECT_TRUE(
        WaitUntil([] { return TraceCapture::Count(u"ProcessConnectedPhoneThread end") == 1; }, 5s));
    EXPECT_EQ(TraceCapture::Count(u"pService->recv_data failed."), 1);
    TraceCapture::Clear();
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    EXPECT_EQ(
        TraceCapture::Count(u"CPortService::BroadcastDeviceChanged(): Connected client count: 1"),
        1);
    EXPECT_EQ(b.Request(u"COM5"), kPortDone);
}

TEST_F(PortServer, TraceOfOneConversationAndOneBroadcast) {
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")}); // nobody to tell yet
    TestClient a(port);
    WaitForClients(1);
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    EXPECT_EQ(a.Request(u"COM5"), kPortDone);
    a.Close();
    ASSERT_TRUE(
        WaitUntil([] { return TraceCapture::Count(u"ProcessConnectedPhoneThread end") == 1; }, 5s));
    EXPECT_EQ(TraceCapture::Count(u"ProcessConnectedPhoneThread begin"), 1);
    EXPECT_EQ(TraceCapture::Count(u"recv client data ... "), 2);
    EXPECT_EQ(TraceCapture::Count(u"recv client data RequestSerialPort\r\nCOM5:"), 1);
    EXPECT_EQ(
        TraceCapture::Count(u"CPortService::BroadcastDeviceChanged(): Connected phone count: 1"),
        2);
    EXPECT_EQ(
        TraceCapture::Count(u"CPortService::BroadcastDeviceChanged(): Connected client count: 1"),
        1);
    EXPECT_EQ(TraceCapture::Count(u"CPortService::BroadcastDeviceChanged(): To client 1"), 1);
}

TEST_F(PortServer, AcceptingIsPacedToFiveConnectionsASecond) {
    Broadcast(*server, {MakePhone(1, u"COM5", u"Ostra A1")});
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 6; ++i)
        clients.push_back(std::make_unique<TestClient>(port));
    auto start = std::chrono::steady_clock::now();
    // Each request is answered once its connection has a thread; the sixth waits for five pauses.
    for (auto& c : clients)
        ASSERT_TRUE(c->Send(u"RequestSerialPort\r\nCOM9"));
    for (auto& c : clients) {
        ServerMessage m;
        ASSERT_TRUE(c->Next(m));
        EXPECT_EQ(m.portResult, kPortInvalid);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
}

} // namespace
