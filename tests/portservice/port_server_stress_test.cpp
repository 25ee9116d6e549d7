// 100 clients connecting, claiming, releasing, asking for the list and leaving (closing or
// resetting) at random while broadcasts replace the table. Afterwards no hold may be left by a
// gone client and no connection thread may still run. Pauses are shortened so that the run
// sees thousands of pushes; the protocol tests cover the production pauses. Prints figures.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "portservice/protocol.h"
#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using hitched::PortClientSession;
using hitched::ServerMessage;
using hitched::ServerMessageKind;
using hitched::testing::HeldRows;
using hitched::testing::MakePhone;
using hitched::testing::RecordingOwner;
using hitched::testing::TraceCapture;
using hitched::testing::WaitUntil;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClients = 100;
constexpr int kPhones = 10;

struct Figures {
    std::atomic<long> connections{0}, resets{0}, requests{0}, claims{0}, used{0}, invalid{0},
        releases{0}, lists{0}, listReplies{0}, pushes{0}, broadcasts{0};
    std::atomic<long> malformed{0}, unanswered{0}, failedConnects{0};
};

int StressSeconds() {
    const char* text = std::getenv("HITCHED_STRESS_SECONDS");
    int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 20;
}

std::u16string PortName(int n) {
    std::string ascii = "COM" + std::to_string(n);
    return std::u16string(ascii.begin(), ascii.end());
}

// Counts one message; answers true for the kind the caller waits for.
bool Account(const ServerMessage& m, ServerMessageKind wanted, Figures& f) {
    switch (m.kind) {
    case ServerMessageKind::UpdateConnectedPhone:
        ++f.pushes;
        if (m.phones.size() != m.count)
            ++f.malformed;
        break;
    case ServerMessageKind::GetAllConnectedPhone:
        ++f.listReplies;
        if (m.phones.size() != m.count || m.count == 0)
            ++f.malformed;
        break;
    case ServerMessageKind::RequestReply:
        (m.portResult == hitched::kPortDone   ? f.claims
         : m.portResult == hitched::kPortUsed ? f.used
                                              : f.invalid)++;
        break;
    case ServerMessageKind::Malformed:
        ++f.malformed; // a push interleaved with a reply would show here
        break;
    }
    return m.kind == wanted;
}

void ClientLoop(std::uint16_t port, int seed, Clock::time_point end, Figures& f) {
    std::mt19937 random(static_cast<unsigned>(seed));
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    while (Clock::now() < end) {
        PortClientSession session;
        if (!session.Connect("127.0.0.1", port, nullptr)) {
            ++f.failedConnects;
            std::this_thread::sleep_for(10ms);
            continue;
        }
        ++f.connections;
        int actions = 1 + static_cast<int>(random() % 20);
        for (int i = 0; i < actions && Clock::now() < end; ++i) {
            // A release or a list request goes ahead of the request at times. The request's
            // reply shows that the server has read them: at most three messages (under 255
            // bytes) are ever unread, so a lagging server may take them as one read (then the
            // request wins) but never cuts one in two.
            if (chance(30)) {
                ++f.releases;
                session.SendText(std::u16string(hitched::kKeyReleaseSerialPort) +
                                 PortName(10 + static_cast<int>(random() % 15)));
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 10));
            }
            if (chance(20)) {
                ++f.lists;
                session.SendText(hitched::kKeyGetAllConnectedPhone);
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 10));
            }
            ++f.requests;
            session.SendText(std::u16string(hitched::kKeyRequestSerialPort) +
                             PortName(10 + static_cast<int>(random() % 15)));
            ServerMessage m;
            bool answered = false;
            while (session.Next(m, 15000) == PortClientSession::ReadResult::Message)
                if ((answered = Account(m, ServerMessageKind::RequestReply, f)))
                    break;
            if (!answered)
                ++f.unanswered;
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
            while (session.Next(m, 0) == PortClientSession::ReadResult::Message)
                Account(m, ServerMessageKind::Malformed, f);
        }
        if (chance(50)) {
            ++f.resets;
            session.Reset();
        } else {
            session.Close();
        }
    }
}

TEST(PortServerStress, HundredClientsClaimReleaseAndLeaveWhileBroadcastsRun) {
    TraceCapture trace; // keeps the trace off the terminal
    RecordingOwner owner;
    hitched::PortServiceConfig config = hitched::testing::TestConfig();
    config.backlog = 128;
    config.timing.acceptPauseMs = 1;
    config.timing.pushHeaderPauseMs = 2;
    config.timing.pushClientPauseMs = 1;
    config.timing.listHeaderPauseMs = 1;
    config.timing.listPayloadPauseMs = 1;
    config.timing.sendWaitMs = 2000;
    CPortService server(owner, hitched::PlatformSocketLayer(), config);
    ASSERT_TRUE(server.StartServer());

    Figures f;
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(StressSeconds());
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back(ClientLoop, server.BoundPort(), 1000 + i, end, std::ref(f));

    // The detection side: a random subset of the phones, on ports that move about.
    std::thread detector([&] {
        std::mt19937 random(7);
        while (Clock::now() < end) {
            std::vector<_CONNECTEDPHONE_T> phones;
            for (int p = 0; p < kPhones; ++p) {
                if (random() % 3 != 0)
                    phones.push_back(MakePhone(1 + p % 2, PortName(10 + (p + random() % 5) % 15),
                                               PortName(p) + u" Ostra"));
            }
            if (random() % 8 == 0)
                phones.clear();
            std::vector<const _CONNECTEDPHONE_T*> list;
            for (const auto& p : phones)
                list.push_back(&p);
            server.BroadcastDeviceChanged(list, random() % 2 == 0);
            ++f.broadcasts;
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
        }
    });
    for (auto& t : clients)
        t.join();
    detector.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    // Every client is gone: every connection must end, and with it every hold.
    EXPECT_TRUE(WaitUntil(
        [&] { return server.ClientCount() == 0 && server.RunningConnectionThreads() == 0; }, 30s))
        << "clients listed: " << server.ClientCount()
        << ", connection threads: " << server.RunningConnectionThreads();
    EXPECT_EQ(HeldRows(server), 0) << "a hold outlived its client";
    server.StopServer();
    EXPECT_EQ(server.RunningConnectionThreads(), 0);

    EXPECT_EQ(f.malformed.load(), 0) << "messages to one client interleaved or were cut";
    EXPECT_EQ(f.unanswered.load(), 0) << "a request went unanswered";
    EXPECT_EQ(f.failedConnects.load(), 0);
    EXPECT_GT(f.claims.load(), 0);
    EXPECT_GT(f.pushes.load(), 0);
    EXPECT_EQ(TraceCapture::Count(u"ProcessConnectedPhoneThread begin"), f.connections.load());
    EXPECT_EQ(TraceCapture::Count(u"ProcessConnectedPhoneThread end"), f.connections.load());

    std::printf("stress: %d clients, %.1f s: %ld connections (%ld ended by reset), %ld requests "
                "(%ld claims granted, %ld USED, %ld CMDINVALID), %ld releases, %ld list "
                "requests (%ld replies), %ld broadcasts, %ld pushes received\n",
                kClients, seconds, f.connections.load(), f.resets.load(), f.requests.load(),
                f.claims.load(), f.used.load(), f.invalid.load(), f.releases.load(), f.lists.load(),
                f.listReplies.load(), f.broadcasts.load(), f.pushes.load());
}

} // namespace
