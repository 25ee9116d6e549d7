// The portclient tool against a real server: what it prints and its exit codes for answers,
// silence, a missing server and garbage.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <sstream>

#include "detect/utf16_field.h"
#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using hitched::RunPortClient;
using hitched::testing::Broadcast;
using hitched::testing::MakePhone;
using hitched::testing::TraceCapture;
using hitched::testing::WaitUntil;

namespace {

struct ToolRun {
    int code = -1;
    std::string out, err;
};

ToolRun RunTool(std::vector<std::string> args) {
    std::ostringstream out, err;
    ToolRun r;
    r.code = RunPortClient(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

class Portclient : public ::testing::Test {
protected:
    Portclient() : server(owner, hitched::PlatformSocketLayer(), hitched::testing::TestConfig()) {}
    void SetUp() override { ASSERT_TRUE(server.StartServer()); }
    std::string Port() const { return std::to_string(server.BoundPort()); }

    TraceCapture trace;
    hitched::testing::RecordingOwner owner;
    CPortService server;
};

TEST_F(Portclient, ListOfAnEmptyTableEndsWithAClearNoAnswerMessage) {
    ToolRun r = RunTool({"--port", Port(), "--timeout", "800", "list"});
    EXPECT_EQ(r.code, hitched::kExitNoAnswer);
    EXPECT_NE(r.err.find("no answer to GetAllConnectedPhone"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no phone is connected"), std::string::npos) << r.err;
}

TEST_F(Portclient, WatchPrintsEveryPushFieldByField) {
    auto watch = std::async(std::launch::async, [&] {
        return RunTool({"--port", Port(), "watch", "2500"});
    });
    ASSERT_TRUE(WaitUntil([&] { return server.ClientCount() == 1; }, 5s));
    _CONNECTEDPHONE_T bt = MakePhone(2, u"COM8", u"Ostra B2");
    hitched::CopyField(bt.tszBTAddress, u"0012a3b4c5d6");
    hitched::CopyField(bt.dwModemPort, u"COM9");
    Broadcast(server, {MakePhone(1, u"COM5", u"Ostra A1"), bt});
    Broadcast(server, {});
    ToolRun r = watch.get();
    EXPECT_EQ(r.code, hitched::kExitOk) << r.err;
    const char* expected = "UpdateConnectedPhone: 2 phone(s)\n"
                           "  phone 1: type 1 (USB cable)\n"
                           "    serial port:  COM5\n"
                           "    modem port:   \n"
                           "    name:         Ostra A1\n"
                           "    manufacturer: Ostra\n"
                           "    IMEI:         356938035643809\n"
                           "    DLL:          KvOstra\n"
                           "    BT address:   \n"
                           "    BT stack:     Microsoft\n"
                           "  phone 2: type 2 (Bluetooth)\n"
                           "    serial port:  COM8\n"
                           "    modem port:   COM9\n"
                           "    name:         Ostra B2\n"
                           "    manufacturer: Ostra\n"
                           "    IMEI:         356938035643809\n"
                           "    DLL:          KvOstra\n"
                           "    BT address:   0012a3b4c5d6\n"
                           "    BT stack:     Microsoft\n"
                           "UpdateConnectedPhone: 0 phone(s)\n";
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
}

TEST_F(Portclient, RequestResultsBecomeExitCodesAndAHoldLastsWhileTheConnectionDoes) {
    Broadcast(server, {MakePhone(1, u"COM5", u"Ostra A1")});
    auto holder = std::async(std::launch::async, [&] {
        return RunTool({"--port", Port(), "request", "COM5", "watch", "1500"});
    });
    ASSERT_TRUE(WaitUntil([&] { return hitched::testing::HeldRows(server) == 1; }, 5s));
    ToolRun used = RunTool({"--port", Port(), "request", "COM5"});
    EXPECT_EQ(used.code, hitched::kExitPortUsed);
    EXPECT_NE(used.out.find("RequestSerialPort: USED"), std::string::npos) << used.out;
    ToolRun invalid = RunTool({"--port", Port(), "request", "LPT1"});
    EXPECT_EQ(invalid.code, hitched::kExitPortInvalid);
    EXPECT_NE(invalid.out.find("RequestSerialPort: CMDINVALID"), std::string::npos);
    ToolRun held = holder.get();
    EXPECT_EQ(held.code, hitched::kExitOk);
    EXPECT_NE(held.out.find("RequestSerialPort: SUCCEED"), std::string::npos) << held.out;
    ASSERT_TRUE(WaitUntil([&] { return hitched::testing::HeldRows(server) == 0; }, 5s));
    ToolRun chained = RunTool(
        {"--port", Port(), "request", "COM5", "release", "COM5", "request", "COM5", "list"});
    EXPECT_EQ(chained.code, hitched::kExitOk) << chained.err;
    EXPECT_EQ(chained.out.find("USED"), std::string::npos) << "the release came first";
    EXPECT_NE(chained.out.find("GetAllConnectedPhone: 1 phone(s)"), std::string::npos);
}

TEST_F(Portclient, EnableAndDisableSendTheSwitchWords) {
    EXPECT_EQ(RunTool({"--port", Port(), "enable", "USB", "disable", "IR"}).code, hitched::kExitOk);
    ASSERT_TRUE(WaitUntil([&] { return owner.Switches().size() == 2; }, 5s));
    std::vector<std::pair<int, bool>> expected = {{1, true}, {3, false}};
    EXPECT_EQ(owner.Switches(), expected);
}

TEST_F(Portclient, AServerThatStopsIsReportedAsClosed) {
    auto watch = std::async(std::launch::async, [&] {
        return RunTool({"--port", Port(), "watch", "10000"});
    });
    ASSERT_TRUE(WaitUntil([&] { return server.ClientCount() == 1; }, 5s));
    server.StopServer();
    ToolRun r = watch.get();
    EXPECT_EQ(r.code, hitched::kExitClosed);
    EXPECT_NE(r.err.find("closed the connection"), std::string::npos) << r.err;
}

TEST(PortclientAlone, NoServerAndBadCommandLinesGetClearMessages) {
    // A port nobody listens on: bind one, close it again.
    hitched::ISocketLayer& layer = hitched::PlatformSocketLayer();
    ASSERT_TRUE(layer.Startup());
    hitched::SocketHandle s = layer.CreateListenSocket();
    ASSERT_EQ(layer.Bind(s, "127.0.0.1", 0, nullptr), hitched::BindOutcome::Bound);
    std::string port = std::to_string(layer.LocalPort(s));
    layer.Close(s);
    ToolRun r = RunTool({"--port", port, "list"});
    EXPECT_EQ(r.code, hitched::kExitNoServer);
    EXPECT_NE(r.err.find("no port service at 127.0.0.1:" + port), std::string::npos) << r.err;

    EXPECT_EQ(RunTool({"--port", port}).code, hitched::kExitUsage);
    EXPECT_EQ(RunTool({"--port", port, "enable", "FAX"}).code, hitched::kExitUsage);
    EXPECT_EQ(RunTool({"--port", port, "request"}).code, hitched::kExitUsage);
    EXPECT_EQ(RunTool({"--port", "70000", "list"}).code, hitched::kExitUsage);
    ToolRun unknown = RunTool({"--port", port, "frobnicate"});
    EXPECT_EQ(unknown.code, hitched::kExitUsage);
    EXPECT_NE(unknown.err.find("unknown command: frobnicate"), std::string::npos);
    layer.Cleanup();
}

TEST(PortclientAlone, GarbageFromTheServerIsReportedAsMalformed) {
    hitched::ISocketLayer& layer = hitched::PlatformSocketLayer();
    ASSERT_TRUE(layer.Startup());
    hitched::SocketHandle listener = layer.CreateListenSocket();
    ASSERT_EQ(layer.Bind(listener, "127.0.0.1", 0, nullptr), hitched::BindOutcome::Bound);
    ASSERT_TRUE(layer.Listen(listener, 5));
    std::string port = std::to_string(layer.LocalPort(listener));
    std::thread fake([&] {
        hitched::SocketHandle c = layer.Accept(listener);
        std::vector<std::uint8_t> junk = {'H', 0, 'T', 0, 'T', 0, 'P', 0, '/', 0, '1', 0};
        layer.Send(c, junk.data(), junk.size(), 5000);
        // A push that promises one slot and sends a short one, then closes.
        std::u16string header = u"UpdateConnectedPhone\r\n1";
        std::vector<std::uint8_t> push;
        for (char16_t u : header) {
            push.push_back(static_cast<std::uint8_t>(u));
            push.push_back(static_cast<std::uint8_t>(u >> 8));
        }
        push.resize(push.size() + 100, 0);
        layer.Send(c, push.data(), push.size(), 5000);
        std::this_thread::sleep_for(300ms);
        layer.Close(c);
    });
    ToolRun r = RunTool({"--port", port, "watch", "3000"});
    fake.join();
    if (!layer.WakeAccept(listener))
        layer.Close(listener);
    layer.Cleanup();
    EXPECT_EQ(r.code, hitched::kExitMalformed) << r.out << r.err;
    EXPECT_NE(r.err.find("malformed data from the server: 12 byte(s) skipped"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("the connection ended inside a message"), std::string::npos) << r.err;
}

} // namespace
