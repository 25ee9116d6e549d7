// 100 clients connecting, claiming, releasing, asking for the list and leaving (closing or
// resetting) at random while broadcasts replace the table. Afterwards no hold may be left by a
// gone client and no connection thread may still run. Pauses are shortened so that the run
// sees thousands of pushes; the server tests cover the production pauses. Prints figures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using namespace hitched;
using namespace hitched::testing;
using Clock = std::chrono::steady_clock;

namespace {

struct Figures {
    std::atomic<long> connections{0}, resets{0}, requests{0}, claims{0}, lists{0}, pushes{0},
        broadcasts{0}, malformed{0}, unanswered{0}, failedConnects{0};
};

std::u16string PortName(int n) {
    const std::string ascii = "COM" + std::to_string(n);
    return std::u16string(ascii.begin(), ascii.end());
}

// Counts one message; a push interleaved with a reply or cut short shows as malformed.
void Account(const ServerMessage& m, Figures& f) {
    if (m.kind == ServerMessageKind::Malformed || m.phones.size() != m.count ||
        (m.kind == ServerMessageKind::GetAllConnectedPhone && m.count == 0))
        ++f.malformed;
    f.pushes += m.kind == ServerMessageKind::UpdateConnectedPhone ? 1 : 0;
    f.lists += m.kind == ServerMessageKind::GetAllConnectedPhone ? 1 : 0;
    f.claims += m.kind == ServerMessageKind::RequestReply && m.portResult == kPortDone ? 1 : 0;
}

void ClientLoop(std::uint16_t port, int seed, Clock::time_point end, Figures& f) {
    std::mt19937 random(static_cast<unsigned>(seed));
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    auto pause = [&](int ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % ms));
    };
    while (Clock::now() < end) {
        PortClientSession session;
        if (!session.Connect("127.0.0.1", port, nullptr)) {
            ++f.failedConnects;
            continue;
        }
        ++f.connections;
        for (int i = 1 + static_cast<int>(random() % 20); i > 0 && Clock::now() < end; --i) {
            // A release or a list request goes ahead of the request at times. The request's
            // reply shows that the server has read them: at most three messages (under 255
            // bytes) are ever unread, so a lagging server may take them as one read (then the
            // request wins) but never cuts one in two.
            if (chance(30)) {
                session.SendText(kKeyReleaseSerialPort + PortName(10 + random() % 15));
                pause(10);
            }
            if (chance(20)) {
                session.SendText(kKeyGetAllConnectedPhone);
                pause(10);
            }
            ++f.requests;
            session.SendText(kKeyRequestSerialPort + PortName(10 + random() % 15));
            ServerMessage m;
            bool answered = false;
            while (!answered && session.Next(m, 15000) == PortClientSession::ReadResult::Message) {
                Account(m, f);
                answered = m.kind == ServerMessageKind::RequestReply;
            }
            f.unanswered += answered ? 0 : 1;
            pause(20);
            while (session.Next(m, 0) == PortClientSession::ReadResult::Message)
                Account(m, f);
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
    PortServiceConfig config = TestConfig();
    config.backlog = 128;
    config.maxClients = 128;               // a hundred clients at once, above the cap
    config.timing = {2000, 1, 2, 1, 1, 1}; // send wait, accept, push and list pauses
    CPortService server(owner, PlatformSocketLayer(), config);
    ASSERT_TRUE(server.StartServer());

    Figures f;
    const char* secondsText = std::getenv("HITCHED_STRESS_SECONDS");
    const int seconds = secondsText && std::atoi(secondsText) > 0 ? std::atoi(secondsText) : 20;
    const auto start = Clock::now(), end = start + std::chrono::seconds(seconds);
    std::vector<std::thread> clients;
    for (int i = 0; i < 100; ++i)
        clients.emplace_back(ClientLoop, server.BoundPort(), 1000 + i, end, std::ref(f));
    // The detection side: a random subset of ten phones, on ports that move about.
    std::thread detector([&] {
        std::mt19937 random(7);
        while (Clock::now() < end) {
            std::vector<_CONNECTEDPHONE_T> phones;
            for (int p = 0; p < 10; ++p)
                if (random() % 3 != 0)
                    phones.push_back(MakeConnectedPhone(PortName(p) + u" Ostra",
                                                        PortName(10 + (p + random() % 5) % 15),
                                                        1 + p % 2));
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

    // Every client is gone: every connection must end, and with it every hold.
    EXPECT_TRUE(WaitUntil(
        [&] { return server.ClientCount() == 0 && server.RunningConnectionThreads() == 0; }, 30s))
        << server.ClientCount() << " clients listed, " << server.RunningConnectionThreads()
        << " connection threads";
    EXPECT_EQ(HeldRows(server), 0) << "a hold outlived its client";
    server.StopServer();
    EXPECT_EQ(f.malformed.load(), 0) << "messages to one client interleaved or were cut";
    EXPECT_EQ(f.unanswered.load(), 0) << "a request went unanswered";
    EXPECT_EQ(f.failedConnects.load(), 0);
    EXPECT_GT(f.claims.load(), 0);
    EXPECT_GT(f.pushes.load(), 0);
    EXPECT_EQ(TraceCapture::Count(u"ProcessConnectedPhoneThread begin"), f.connections.load());
    EXPECT_EQ(TraceCapture::Count(u"ProcessConnectedPhoneThread end"), f.connections.load());
    std::printf("stress: 100 clients, %.1f s: %ld connections (%ld ended by reset), %ld "
                "requests (%ld granted), %ld list replies, %ld broadcasts, %ld pushes received\n",
                std::chrono::duration<double>(Clock::now() - start).count(), f.connections.load(),
                f.resets.load(), f.requests.load(), f.claims.load(), f.lists.load(),
                f.broadcasts.load(), f.pushes.load());
}

} // namespace
