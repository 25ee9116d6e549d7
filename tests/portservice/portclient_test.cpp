// The portclient tool against a real server: what it prints and its exit codes for answers,
// silence, a missing or stopped server, bad command lines and garbage.
#include <gtest/gtest.h>

#include <future>
#include <tuple>
#include <sstream>

#include "contracts/utf16_field.h"
#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using namespace hitched;
using namespace hitched::testing;

namespace {

struct ToolRun {
    int code = -1;
    std::string out, err;
};

ToolRun RunTool(std::vector<std::string> args, std::uint16_t port) {
    args.insert(args.begin(), {"--port", std::to_string(port)});
    std::ostringstream out, err;
    const int code = RunPortClient(args, out, err);
    return {code, out.str(), err.str()};
}

class Portclient : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.StartServer()); }
    ToolRun Run(const std::vector<std::string>& args) { return RunTool(args, server.BoundPort()); }
    // Runs the tool on another thread, once the connections of earlier runs are gone, and
    // waits until it is connected.
    std::future<ToolRun> RunAside(std::vector<std::string> args) {
        EXPECT_TRUE(WaitUntil([&] { return server.ClientCount() == 0; }, 5s));
        auto run = std::async(std::launch::async, [this, args] { return Run(args); });
        EXPECT_TRUE(WaitUntil([&] { return server.ClientCount() == 1; }, 5s));
        return run;
    }

    TraceCapture trace;
    RecordingOwner owner;
    CPortService server{owner, PlatformSocketLayer(), TestConfig()};
};

TEST_F(Portclient, AnswersAndSilenceBecomeExitCodesAndPrintedLines) {
    const ToolRun silent = Run({"--timeout", "800", "list"});
    EXPECT_EQ(silent.code, kExitNoAnswer);
    EXPECT_NE(silent.err.find("no answer to GetAllConnectedPhone"), std::string::npos);
    EXPECT_NE(silent.err.find("no phone is connected"), std::string::npos) << silent.err;
    EXPECT_EQ(Run({"enable", "USB", "disable", "IR"}).code, kExitOk);
    Broadcast(server, {MakeConnectedPhone(u"Ostra A1", u"COM5")});
    auto holder = RunAside({"request", "COM5", "watch", "1500"});
    ASSERT_TRUE(WaitUntil([&] { return HeldRows(server) == 1; }, 5s));
    for (const auto& [port, code, printed] :
         {std::make_tuple("COM5", kExitPortUsed, "RequestSerialPort: USED"),
          std::make_tuple("LPT1", kExitPortInvalid, "RequestSerialPort: CMDINVALID")}) {
        const ToolRun r = Run({"request", port});
        EXPECT_EQ(r.code, code) << port;
        EXPECT_NE(r.out.find(printed), std::string::npos) << r.out;
    }
    const ToolRun held = holder.get();
    EXPECT_EQ(held.code, kExitOk);
    EXPECT_NE(held.out.find("RequestSerialPort: SUCCEED"), std::string::npos) << held.out;
    ASSERT_TRUE(WaitUntil([&] { return HeldRows(server) == 0; }, 5s));
    const ToolRun chained = Run({"request", "COM5", "release", "COM5", "request", "COM5", "list"});
    EXPECT_EQ(chained.code, kExitOk) << chained.err;
    EXPECT_EQ(chained.out.find("USED"), std::string::npos) << "the release came first";
    EXPECT_NE(chained.out.find("GetAllConnectedPhone: 1 phone(s)"), std::string::npos);
    EXPECT_EQ(owner.Switches(), (std::vector<std::pair<int, bool>>{{1, true}, {3, false}}));
}

TEST_F(Portclient, WatchPrintsEveryPushFieldByFieldUntilTheServerStops) {
    auto watch = RunAside({"watch", "10000"});
    _CONNECTEDPHONE_T bt = MakeConnectedPhone(u"Ostra B2", u"COM8", kConnBluetooth);
    CopyField(bt.tszBTAddress, u"0012a3b4c5d6");
    CopyField(bt.dwModemPort, u"COM9");
    Broadcast(server, {bt});
    server.StopServer();
    const ToolRun r = watch.get();
    EXPECT_EQ(r.code, kExitClosed);
    EXPECT_NE(r.err.find("closed the connection"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("UpdateConnectedPhone: 1 phone(s)\n"
                         "  phone 1: type 2 (Bluetooth)\n"
                         "    serial port:  COM8\n"
                         "    modem port:   COM9\n"
                         "    name:         Ostra B2\n"
                         "    manufacturer: Ostra\n"
                         "    IMEI:         356938035643809\n"
                         "    DLL:          KvOstra\n"
                         "    BT address:   0012a3b4c5d6\n"
                         "    BT stack:     Microsoft\n"),
              std::string::npos)
        << r.out;
}

// A listener of this build's backend on a port of the system's choosing.
struct Listener {
    Listener() {
        layer.Startup(); // Winsock before any socket
        socket = layer.CreateListenSocket();
        EXPECT_EQ(layer.Bind(socket, "127.0.0.1", 0, nullptr), BindOutcome::Bound);
        port = layer.LocalPort(socket);
    }
    ~Listener() {
        if (!layer.WakeAccept(socket))
            layer.Close(socket);
        layer.Cleanup();
    }
    ISocketLayer& layer = PlatformSocketLayer();
    SocketHandle socket = kInvalidSocket;
    std::uint16_t port = 0;
};

TEST(PortclientAlone, NoServerAndBadCommandLinesGetClearMessages) {
    std::uint16_t port = Listener().port; // bound, then closed again: nobody listens there
    const ToolRun r = RunTool({"list"}, port);
    EXPECT_EQ(r.code, kExitNoServer);
    EXPECT_NE(r.err.find("no port service at 127.0.0.1:" + std::to_string(port)),
              std::string::npos);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"enable", "FAX"}, {"request"}, {"--port", "70000", "list"}, {"frobnicate"}})
        EXPECT_EQ(RunTool(args, port).code, kExitUsage) << ::testing::PrintToString(args);
    EXPECT_NE(RunTool({"frobnicate"}, port).err.find("unknown command: frobnicate"),
              std::string::npos);
}

TEST(PortclientAlone, GarbageFromTheServerIsReportedAsMalformed) {
    Listener listener;
    ASSERT_TRUE(listener.layer.Listen(listener.socket, 5));
    std::thread fake([&] {
        SocketHandle c = listener.layer.Accept(listener.socket);
        std::vector<std::uint8_t> junk = EncodeText(u"HTTP/1");
        // A push that promises one slot and sends a short one, then closes.
        std::vector<std::uint8_t> push = BuildPushHeader(1);
        push.resize(push.size() + 100, 0);
        listener.layer.Send(c, junk.data(), junk.size(), 5000);
        listener.layer.Send(c, push.data(), push.size(), 5000);
        std::this_thread::sleep_for(300ms);
        listener.layer.Close(c);
    });
    const ToolRun r = RunTool({"watch", "3000"}, listener.port);
    fake.join();
    EXPECT_EQ(r.code, kExitMalformed) << r.out << r.err;
    EXPECT_NE(r.err.find("malformed data from the server: 12 byte(s) skipped"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("the connection ended inside a message"), std::string::npos) << r.err;
}

} // namespace
