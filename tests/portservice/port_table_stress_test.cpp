// Several client threads claim and release ports while the table is rebuilt and read: a port
// is never granted to two clients at once, and every row's bUsed and sOwner agree. Run it
// under ThreadSanitizer (native-tsan) to catch unguarded access too.
#include "portservice/port_table.h"

#include <atomic>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/phone_records.h"

using namespace hitched;

namespace {

constexpr int kPorts = 4;

std::u16string PortText(int i) {
    return u"COM" + std::u16string(1, u'1' + static_cast<char16_t>(i));
}

TEST(PortTableStress, AHeldPortIsNeverGrantedTwice) {
    std::vector<_CONNECTEDPHONE_T> phones;
    std::vector<const _CONNECTEDPHONE_T*> list;
    for (int i = 0; i < kPorts; ++i)
        phones.push_back(test::MakeConnectedPhone(u"Phone" + PortText(i), PortText(i)));
    for (const auto& p : phones)
        list.push_back(&p);
    PortTable table;
    table.Rebuild(list);

    std::atomic<int> holders[kPorts] = {}, doubleGrants{0}, failedReleases{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> clients;
    for (int c = 1; c <= 4; ++c) {
        clients.emplace_back([&, c] {
            std::mt19937 rng(c);
            bool held[kPorts] = {};
            auto dropAll = [&] {
                for (int p = 0; p < kPorts; ++p)
                    holders[p] -= held[p] ? 1 : 0, held[p] = false;
                table.ReleaseByOwner(c); // the connection drops
            };
            for (int round = 0; round < 3000; ++round) {
                const int port = static_cast<int>(rng() % kPorts);
                if (held[port]) {
                    holders[port]--, held[port] = false;
                    failedReleases += table.ReleaseSerialPort(c, PortText(port)) != kPortDone;
                } else if (table.RequestSerialPort(c, PortText(port)) == kPortDone) {
                    doubleGrants += holders[port]++ != 0;
                    held[port] = true;
                }
                if (rng() % 500 == 0)
                    dropAll();
            }
            dropAll();
        });
    }
    std::thread detector([&] {
        std::vector<uint8_t> buffer(51200);
        while (!stop) {
            EXPECT_EQ(table.Rebuild(list).size(), kPorts * kSlotBytes);
            EXPECT_EQ(table.CopyConnectedPhones(buffer.data(), buffer.size()), kPorts);
            for (const auto& row : table.Snapshot())
                EXPECT_EQ(row.bUsed != 0, row.sOwner != 0);
        }
    });
    for (auto& t : clients)
        t.join();
    stop = true;
    detector.join();
    EXPECT_EQ(doubleGrants.load(), 0);
    EXPECT_EQ(failedReleases.load(), 0);
    for (const auto& row : table.Snapshot())
        EXPECT_EQ(row.bUsed, 0u); // every client released or disconnected
}

} // namespace
