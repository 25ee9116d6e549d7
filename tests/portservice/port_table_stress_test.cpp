// Several client threads claim and release ports while the table is rebuilt and read: a port
// is never granted to two clients at once, and every row's bUsed and sOwner agree. Run it
// under ThreadSanitizer (native-tsan) to catch unguarded access too.
#include "portservice/port_table.h"

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/portservice/phone_builder.h"

using namespace hitched;

namespace {

constexpr int kPorts = 4;
constexpr int kClients = 4;
constexpr int kRounds = 3000;

std::u16string PortText(int i) {
    return u"COM" + std::u16string(1, u'1' + static_cast<char16_t>(i));
}

TEST(PortTableStress, AHeldPortIsNeverGrantedTwice) {
    std::vector<_CONNECTEDPHONE_T> phones;
    for (int i = 0; i < kPorts; ++i) {
        phones.push_back(test::MakePhone(u"Phone" + PortText(i), PortText(i)));
    }
    std::vector<const _CONNECTEDPHONE_T*> list;
    for (const auto& p : phones) {
        list.push_back(&p);
    }
    PortTable table;
    table.Rebuild(list);

    std::atomic<int> holders[kPorts] = {};
    std::atomic<int> doubleGrants{0};
    std::atomic<int> failedReleases{0};
    std::atomic<bool> stop{false};

    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            const ClientId me = static_cast<ClientId>(c + 1);
            std::mt19937 rng(c);
            bool held[kPorts] = {};
            for (int round = 0; round < kRounds; ++round) {
                const int port = static_cast<int>(rng() % kPorts);
                if (held[port]) {
                    holders[port]--;
                    if (table.ReleaseSerialPort(me, PortText(port)) != kPortDone) {
                        failedReleases++;
                    }
                    held[port] = false;
                } else if (table.RequestSerialPort(me, PortText(port)) == kPortDone) {
                    if (holders[port]++ != 0) {
                        doubleGrants++;
                    }
                    held[port] = true;
                }
                if (rng() % 500 == 0) { // the connection drops
                    for (int p = 0; p < kPorts; ++p) {
                        if (held[p]) {
                            holders[p]--;
                            held[p] = false;
                        }
                    }
                    table.ReleaseByOwner(me);
                }
            }
            for (int p = 0; p < kPorts; ++p) {
                if (held[p]) {
                    holders[p]--;
                }
            }
            table.ReleaseByOwner(me);
        });
    }
    std::thread detector([&] {
        std::vector<uint8_t> buffer(51200);
        while (!stop) {
            EXPECT_EQ(table.Rebuild(list).size(), kPorts * kSlotBytes);
            EXPECT_EQ(table.CopyConnectedPhones(buffer.data(), buffer.size()), kPorts);
            for (const auto& row : table.Snapshot()) {
                EXPECT_EQ(row.bUsed != 0, row.sOwner != 0);
            }
        }
    });
    for (auto& t : clients) {
        t.join();
    }
    stop = true;
    detector.join();

    EXPECT_EQ(doubleGrants.load(), 0);
    EXPECT_EQ(failedReleases.load(), 0);
    for (const auto& row : table.Snapshot()) {
        EXPECT_EQ(row.bUsed, 0u); // every client released or disconnected
    }
}

} // namespace
