// The special USB ports taken from the library's comma list, and the end of the hub program,
// against stand-ins for communication.dll and the process list.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "app/trace.h"
#include "detect/relaybox.h"
#include "detect/dav_usb_ports.h"
#include "detect/utf16_field.h"

using hitched::FieldView;

namespace {

// What the stand-in library answers next.
std::string g_answer;
bool g_result = true;
int g_calls = 0;

bool FakeGetUsbPorts(char* ports) {
    ++g_calls;
    // The library's side of the contract: it may rely on a cleared buffer of 1,024 bytes.
    for (std::size_t i = 0; i < hitched::kUsbPortsBufferBytes; ++i) {
        EXPECT_EQ(ports[i], '\0') << "byte " << i;
        if (ports[i] != '\0') {
            break;
        }
    }
    std::memcpy(ports, g_answer.data(), std::min(g_answer.size(), hitched::kUsbPortsBufferBytes));
    return g_result;
}

std::vector<std::u16string> g_trace;
void Capture(const std::u16string& line) {
    g_trace.push_back(line);
}

struct SpecialPorts : ::testing::Test {
    void SetUp() override {
        g_answer.clear();
        g_result = true;
        g_calls = 0;
        g_trace.clear();
        hitched::SetTraceSink(Capture);
    }
    void TearDown() override { hitched::SetTraceSink(nullptr); }
    int Add(const std::string& answer) {
        g_answer = answer;
        return AddSpecialUsbPorts(devices, FakeGetUsbPorts);
    }
    CDeviceList devices;
};

TEST_F(SpecialPorts, EachNameBecomesATypeFourRecordKeyedFromOneHundredMillion) {
    EXPECT_EQ(Add("COM3,COM4"), 1);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->dwConnectType, 4u);
    EXPECT_EQ(uint64_t(devices[0]->ullBTAddress), 100000000u);
    EXPECT_EQ(FieldView(devices[0]->tszSerialPortName), u"COM3");
    EXPECT_EQ(uint64_t(devices[1]->ullBTAddress), 100000001u);
    EXPECT_EQ(FieldView(devices[1]->tszSerialPortName), u"COM4");
    EXPECT_EQ(devices[1]->nSerialPort, 0);
    ASSERT_EQ(g_trace.size(), 1u);
    EXPECT_EQ(g_trace[0], u"DAV USBPorts:COM3,COM4");
}

TEST_F(SpecialPorts, OneNameOneRecordAndATrailingCommaAddsAnEmptyOne) {
    EXPECT_EQ(Add("COM3"), 1);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(uint64_t(devices[0]->ullBTAddress), 100000000u);
    devices.clear();
    EXPECT_EQ(Add("COM3,"), 1);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(FieldView(devices[1]->tszSerialPortName), u"");
    EXPECT_EQ(uint64_t(devices[1]->ullBTAddress), 100000001u);
    devices.clear();
    EXPECT_EQ(Add(",,COM9"), 1);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(FieldView(devices[2]->tszSerialPortName), u"COM9");
    EXPECT_EQ(uint64_t(devices[2]->ullBTAddress), 100000002u);
}

TEST_F(SpecialPorts, FalseOrEmptyAnswerAddsNothingAndRecordsAreAppendedAfterOthers) {
    g_result = false;
    EXPECT_EQ(Add("COM3"), 0); // text without the library's yes does not count
    g_result = true;
    EXPECT_EQ(Add(""), 0);
    EXPECT_TRUE(devices.empty());
    EXPECT_TRUE(g_trace.empty());
    EXPECT_EQ(AddSpecialUsbPorts(devices, nullptr), 0);
    hitched::AppendNewDevice(devices).dwConnectType = 1;
    EXPECT_EQ(Add("COM3"), 1);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->dwConnectType, 1u);
    EXPECT_EQ(devices[1]->dwConnectType, 4u);
}

TEST_F(SpecialPorts, UnterminatedFullBufferStaysInsideIt) {
    // 1,024 bytes without a terminator: read up to the buffer's end, never beyond.
    Add(std::string(hitched::kUsbPortsBufferBytes, 'A'));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(FieldView(devices[0]->tszSerialPortName).size(), 255u); // field holds 255 + NUL
}

// --- the hub program ---

struct FakeProcess : hitched::IProcessHandle {
    std::u16string name; // empty: the module cannot be read
    bool terminateFails = false;
    int* terminated;
    FakeProcess(std::u16string n, bool fails, int* t)
        : name(n), terminateFails(fails), terminated(t) {}
    bool FirstModuleBaseName(std::u16string& out) override {
        out = name;
        return !name.empty();
    }
    bool Terminate(uint32_t exitCode, uint32_t& error) override {
        EXPECT_EQ(exitCode, 0u);
        if (terminateFails) {
            error = 5;
            return false;
        }
        ++*terminated;
        return true;
    }
};

struct FakeProcesses : hitched::IProcesses {
    std::map<uint32_t, std::u16string> running; // id -> module name ("" unreadable)
    bool listFails = false;
    bool terminateFails = false;
    std::map<uint32_t, int> terminated;
    bool ProcessIds(std::vector<uint32_t>& ids) override {
        for (const auto& [id, name] : running) {
            ids.push_back(id);
        }
        ids.push_back(4242); // gone before it could be opened
        return !listFails;
    }
    std::unique_ptr<hitched::IProcessHandle> Open(uint32_t id) override {
        auto it = running.find(id);
        if (it == running.end()) {
            return nullptr;
        }
        return std::make_unique<FakeProcess>(it->second, terminateFails, &terminated[id]);
    }
};

struct FakeNotifyArea : hitched::INotifyArea {
    std::vector<std::pair<std::u16string, uint32_t>> deleted;
    bool fails = false;
    bool DeleteIcon(std::u16string_view title, uint32_t id, uint32_t& error) override {
        deleted.emplace_back(std::u16string(title), id);
        if (fails) {
            error = 1400;
            return false;
        }
        return true;
    }
};

TEST_F(SpecialPorts, RelayboxIsEndedByItsExactModuleNameAfterItsIconIsRemoved) {
    FakeProcesses processes;
    processes.running = {{8, u"explorer.exe"},
                         {12, u"Relaybox.exe"},
                         {16, u"relaybox.exe"},
                         {20, u""},
                         {24, u"Relaybox.exe"}};
    FakeNotifyArea area;
    TerminateRelaybox(processes, area);
    EXPECT_EQ(processes.terminated[12], 1);
    EXPECT_EQ(processes.terminated[24], 1);
    EXPECT_EQ(processes.terminated[16], 0); // lower case is another program
    EXPECT_EQ(processes.terminated[8], 0);
    EXPECT_EQ(processes.terminated[20], 0);
    ASSERT_EQ(area.deleted.size(), 2u);
    EXPECT_EQ(area.deleted[0], std::make_pair(std::u16string(u"Relaybox"), 129u));
    EXPECT_TRUE(g_trace.empty());
}

TEST_F(SpecialPorts, RelayboxFailuresAreOnlyLogged) {
    FakeProcesses processes;
    processes.running = {{12, u"Relaybox.exe"}};
    processes.terminateFails = true;
    FakeNotifyArea area;
    area.fails = true;
    TerminateRelaybox(processes, area);
    ASSERT_EQ(g_trace.size(), 2u);
    EXPECT_EQ(g_trace[0], u"Shell_NotifyIcon Relaybox.exe failed,errorcode: 1400\n");
    EXPECT_EQ(g_trace[1], u"TerminateProcess Relaybox.exe failed,errorcode: 5\n");

    FakeProcesses none;
    none.running = {{12, u"Relaybox.exe"}};
    none.listFails = true;
    TerminateRelaybox(none, area);
    EXPECT_EQ(none.terminated[12], 0);
}

} // namespace
