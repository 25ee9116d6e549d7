// The DAV device's special USB ports: which ports communication.dll's rule names, the records
// made from its comma list, and the end of the hub program that holds the device.
#include "detect/dav_usb_ports.h"
#include "detect/relaybox.h"
#include "makerlibs/communication/usb_port_list.h"
#include "platform/simulated_machine.h"
#include "tests/detect/detection_fakes.h"
#include "tests/platform/ini_text_reader.h"
#include "tests/support/scenario_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace hitched::test {
namespace {

std::string g_answer; // what the stand-in library answers next
bool g_result = true;

bool StandInGetUsbPorts(char* ports) {
    // The library may rely on a cleared buffer of 1,024 bytes.
    EXPECT_EQ(std::string(ports, kUsbPortsBufferBytes), std::string(kUsbPortsBufferBytes, '\0'));
    std::memcpy(ports, g_answer.data(), std::min(g_answer.size(), kUsbPortsBufferBytes));
    return g_result;
}

TEST(AddSpecialUsbPorts, EachNameOfTheListBecomesATypeFourRecordAfterTheOthers) {
    const struct {
        std::string answer;
        bool result;
        std::vector<std::u16string> names;
    } cases[] = {{"COM3,COM4", true, {u"COM3", u"COM4"}},
                 {"COM3", true, {u"COM3"}},
                 {"COM3,", true, {u"COM3", u""}},
                 {",,COM9", true, {u"", u"", u"COM9"}},
                 {"COM3", false, {}}, // a text without the library's yes does not count
                 {"", true, {}}};
    for (const auto& c : cases) {
        TraceRecorder trace;
        CDeviceList devices;
        AppendNewDevice(devices) = MakeCableRecord(5);
        g_answer = c.answer;
        g_result = c.result;
        EXPECT_EQ(AddSpecialUsbPorts(devices, StandInGetUsbPorts), c.names.empty() ? 0 : 1);
        ASSERT_EQ(devices.size(), c.names.size() + 1) << c.answer;
        EXPECT_EQ(devices[0]->nSerialPort, 5);
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(devices[i + 1]->dwConnectType, kDeviceSpecialUsbPort);
            EXPECT_EQ(uint64_t(devices[i + 1]->ullBTAddress), 100000000u + i) << c.answer;
            EXPECT_EQ(FieldView(devices[i + 1]->tszSerialPortName), c.names[i]) << c.answer;
        }
        const std::u16string logged = u"DAV USBPorts:" + AsciiToUtf16(c.answer);
        EXPECT_EQ(TraceRecorder::Lines(), c.names.empty() ? std::vector<std::u16string>{}
                                                          : std::vector<std::u16string>{logged});
    }
    CDeviceList none;
    EXPECT_EQ(AddSpecialUsbPorts(none, nullptr), 0);
}

TEST(AddSpecialUsbPorts, UnterminatedFullBufferIsReadToItsEndOnly) {
    g_answer = std::string(kUsbPortsBufferBytes, 'A');
    g_result = true;
    CDeviceList devices;
    AddSpecialUsbPorts(devices, StandInGetUsbPorts);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(FieldView(devices[0]->tszSerialPortName).size(), 255u); // the field holds 255
}

// Device1 of the two-phone machine is a DAV device with a second serial function, COM9, and
// the scenario lists COM6 and COM3 beyond its tree. The port listing gives Device1's record
// COM5 and the modem COM6: those must not come back as special ports, or a client would see
// one port twice. A third function's PortName holds a comma: in the comma list it would
// become two ports, so it is not named.
TEST(SpecialUsbPortNames, ThePortsOfACableRecordAreNotNamedAgain) {
    IniTextReader reader(ChangedScenario(
        kTwoPhoneScenario,
        {{"ProductID=0630", "ProductID=0500"},
         {"Ports=4", "Ports=6\nSpecialUsbPorts=COM6,COM3"},
         {"[Port4]", "[Port5]\nClass=Ports\nPortName=COM9\nParent=Device1\n"
                     "[Port6]\nClass=Ports\nPortName=COM11,COM12\nParent=Device1\n[Port4]"}}));
    auto platform = MakeSimulatedPlatform(LoadScenario(reader));
    const auto isDav = [](uint16_t product) { return product == 0x0500; };
    EXPECT_EQ(SpecialUsbPortNames(*platform, isDav, platform->specialUsbPorts),
              (std::vector<std::u16string>{u"COM9", u"COM3"}));
    // Without a DAV device only the listed names remain, as they stand.
    EXPECT_EQ(SpecialUsbPortNames(
                  *platform, [](uint16_t) { return false; }, u",COM3,"),
              (std::vector<std::u16string>{u"", u"COM3", u""}));
}

// --- the hub program ---

struct Processes : IProcesses, INotifyArea {
    std::map<uint32_t, std::u16string> running; // id -> module name ("" unreadable)
    bool fail = false;
    bool listed = true; // false: the process list itself fails
    std::vector<uint32_t> ended;
    std::vector<std::pair<std::u16string, uint32_t>> iconsDeleted;

    struct Handle : IProcessHandle {
        Processes& owner;
        uint32_t id;
        Handle(Processes& o, uint32_t i) : owner(o), id(i) {}
        bool FirstModuleBaseName(std::u16string& out) override {
            out = owner.running[id];
            return !out.empty();
        }
        bool Terminate(uint32_t exitCode, uint32_t& error) override {
            EXPECT_EQ(exitCode, 0u);
            error = 5;
            owner.ended.push_back(id);
            return !owner.fail;
        }
    };
    bool ProcessIds(std::vector<uint32_t>& ids) override {
        for (const auto& [id, name] : running) {
            ids.push_back(id);
        }
        ids.push_back(4242); // gone before it could be opened
        return listed;
    }
    std::unique_ptr<IProcessHandle> Open(uint32_t id) override {
        return running.count(id) ? std::make_unique<Handle>(*this, id) : nullptr;
    }
    bool DeleteIcon(std::u16string_view title, uint32_t id, uint32_t& error) override {
        iconsDeleted.emplace_back(std::u16string(title), id);
        error = 1400;
        return !fail;
    }
};

TEST(TerminateRelaybox, EndsExactlyRelayboxExeAfterRemovingItsIconAndLogsFailures) {
    TraceRecorder trace;
    Processes p;
    p.running = {{8, u"explorer.exe"}, {12, u"Relaybox.exe"}, {16, u"relaybox.exe"}, {20, u""}};
    TerminateRelaybox(p, p);
    EXPECT_EQ(p.ended, std::vector<uint32_t>{12}); // lower case is another program
    EXPECT_EQ(p.iconsDeleted,
              (std::vector<std::pair<std::u16string, uint32_t>>{{u"Relaybox", 129}}));
    EXPECT_TRUE(TraceRecorder::Lines().empty());

    p.fail = true;
    TerminateRelaybox(p, p);
    EXPECT_EQ(TraceRecorder::Lines(), (std::vector<std::u16string>{
                                          u"Shell_NotifyIcon Relaybox.exe failed,errorcode: 1400\n",
                                          u"TerminateProcess Relaybox.exe failed,errorcode: 5\n"}));
    p.listed = false;
    TerminateRelaybox(p, p);
    EXPECT_EQ(p.ended.size(), 2u);
}

} // namespace
} // namespace hitched::test
