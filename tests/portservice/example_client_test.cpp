// The example client of the protocol page (examples/hitched_client.py), run against the real
// server, so the example never drifts from the program: list, claim, the second claimant's
// USED, and a push that it reads to its end although nothing follows an empty one.
#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <string>

#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using namespace hitched;
using namespace hitched::testing;

namespace {

std::string RunExample(std::uint16_t port, const std::string& args) {
    const std::string command = "python3 " HITCHED_SOURCE_DIR
                                "/examples/hitched_client.py --port " +
                                std::to_string(port) + " " + args + " 2>&1";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) {
            out += buffer;
        }
        ::pclose(pipe);
    }
    return out;
}

TEST(ExampleClient, ListsClaimsAndWatchesTheRealServer) {
    RecordingOwner owner;
    CPortService server{owner, PlatformSocketLayer(), TestConfig()};
    ASSERT_TRUE(server.StartServer());
    const std::uint16_t port = server.BoundPort();
    EXPECT_NE(RunExample(port, "list").find("list: 0 phone(s)"), std::string::npos);

    Broadcast(server, {MakeConnectedPhone(u"Ostra A1", u"COM5")});
    const std::string listed = RunExample(port, "list");
    EXPECT_NE(listed.find("list: 1 phone(s)"), std::string::npos) << listed;
    EXPECT_NE(listed.find("Ostra Ostra A1 (USB) on COM5 modem=- imei=356938035643809"),
              std::string::npos)
        << listed;

    auto holder =
        std::async(std::launch::async, [&] { return RunExample(port, "request COM5 8"); });
    ASSERT_TRUE(WaitUntil([&] { return HeldRows(server) == 1; }, 10s));
    EXPECT_NE(RunExample(port, "request COM5 0").find("request COM5: USED"), std::string::npos);
    ASSERT_TRUE(WaitUntil([&] { return server.ClientCount() == 1; }, 10s)) << "only the holder";
    auto watcher = std::async(std::launch::async, [&] { return RunExample(port, "watch 5"); });
    ASSERT_TRUE(WaitUntil([&] { return server.ClientCount() == 2; }, 10s));
    Broadcast(server, {});
    const std::string watched = watcher.get();
    EXPECT_NE(watched.find("push: 0 phone(s)"), std::string::npos) << watched;
    EXPECT_NE(holder.get().find("request COM5: SUCCEED"), std::string::npos);
}

} // namespace
