// One USB pass over the simulated machine, as the program runs it under HITCHED_SIMULATION:
// which devices the tree walk makes records of (order and fields), which COM ports the class
// listing accepts, and which port each record takes. Every case is a change of the two-phone
// scenario.
#include "enumeration/port_enumeration.h"
#include "enumeration/usb_tree_walk.h"
#include "contracts/utf16_field.h"
#include "platform/simulated_machine.h"
#include "tests/platform/ini_text_reader.h"
#include "tests/support/scenario_file.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace hitched::test {
namespace {

using Edits = std::vector<std::pair<std::string, std::string>>;

std::unique_ptr<DetectionPlatform> Machine(const std::string& scenario) {
    IniTextReader reader(scenario);
    return MakeSimulatedPlatform(LoadScenario(reader));
}

// Per record "hub port vid:pid key" (the driver key's last four characters) after the walk,
// or "pid:serial:modem" after the ports were matched too.
std::vector<std::string> Pass(const std::string& scenario, bool matchPorts) {
    auto platform = Machine(scenario);
    CDeviceList devices;
    EnumerateUsbDevices(devices, *platform);
    if (matchPorts) {
        EnumPorts(devices, *platform);
    }
    std::vector<std::string> out;
    for (const auto& d : devices) {
        EXPECT_EQ(d->dwConnectType, kDeviceUsbCable);
        EXPECT_EQ(d->wHubPortCopy, d->wHubPort);
        const std::u16string_view key = FieldView(d->tszDriverKey);
        const std::string tail(key.end() - std::min<std::size_t>(key.size(), 4), key.end());
        char text[64];
        if (matchPorts) {
            std::snprintf(text, sizeof text, "%04x:%d:%d", d->wProductID, d->nSerialPort,
                          d->nModemPort);
        } else {
            std::snprintf(text, sizeof text, "%d %04x:%04x %s", d->wHubPort, d->wVendorID,
                          d->wProductID, tail.c_str());
        }
        out.push_back(text);
    }
    return out;
}

// The controller answers as \\.\HCD0 and as an interface, so the pass finds everything twice.
std::vector<std::string> Twice(std::vector<std::string> once) {
    std::vector<std::string> both = once;
    both.insert(both.end(), once.begin(), once.end());
    return both;
}

const std::string kKey = "{36FC9E60-C465-11CF-8056-444553540000}\\";
const std::string kLowerKey = "{36fc9e60-c465-11cf-8056-444553540000}\\";

struct PassCase {
    const char* what;
    Edits edits;
    std::vector<std::string> once;
};

TEST(UsbTreeWalk, RecordsOfEveryShapeOfMachine) {
    const PassCase cases[] = {
        {"phones behind an external hub, in port order",
         {},
         {"1 0421:0630 0007", "3 0421:0631 0008"}},
        {"the hub's last port counts",
         {{"Port3=Device2", "Port4=Device2"}},
         {"1 0421:0630 0007", "4 0421:0631 0008"}},
        {"hubs are walked depth first, where they are plugged",
         {{"Port2=Hub2", "Port1=Hub2\nPort2=Device2"}, {"Port3=Device2", ""}},
         {"1 0421:0630 0007", "2 0421:0631 0008"}},
        {"the plain request stands in for the extended one; a port answering neither is skipped",
         {{"Port1=Device1", "Port1=Device1\nPort1Info=plain\nPort3Info=none"}},
         {"1 0421:0630 0007"}},
        {"a device without a node is skipped, even beside a node of its IDs with another key",
         {{"ProductID=0631", "ProductID=0631\nPresent=0"},
          {"[Port4]", "[Device3]\nVendorID=0421\nProductID=0631\nDriverKey=" + kKey +
                          "0009\n[Port4]\nParent=Device3"}},
         {"1 0421:0630 0007"}},
        {"the device's and the controller's nodes are found whatever the case of their keys",
         {{"[Device1]", "[Device1]\nNodeDriver=" + kLowerKey + "0007"},
          {"[Controller1]", "[Controller1]\nNodeDriver=" + kLowerKey + "0000"}},
         {"1 0421:0630 0007", "3 0421:0631 0008"}},
        {"a controller without a description is skipped",
         {{"Description=Simulated USB Host Controller", "Description="}},
         {}},
        {"a controller without a root hub is skipped", {{"RootHub=Hub1", "RootHub="}}, {}},
        {"a controller whose key names no node is skipped",
         {{"[Controller1]", "[Controller1]\nNodeDriver=" + kKey + "0099"}},
         {}},
        {"controllers in order, by number then by interface",
         {{"Controllers=1", "Controllers=2"},
          {"[Hub1]", "[Controller2]\nDriverKey=c2\nDescription=Second\nRootHub=Hub3\n[Hub3]\n"
                     "Ports=1\nPort1=Device3\n[Device3]\nVendorID=04e8\nProductID=6860\n"
                     "DriverKey=dev3\n[Hub1]"}},
         {"1 0421:0630 0007", "3 0421:0631 0008", "1 04e8:6860 dev3"}}};
    for (const PassCase& c : cases) {
        EXPECT_EQ(Pass(ChangedScenario(kTwoPhoneScenario, c.edits), false), Twice(c.once))
            << c.what;
    }
}

TEST(UsbTreeWalk, HubPluggedIntoItselfEndsTheWalk) {
    const auto records =
        Pass(ChangedScenario(kTwoPhoneScenario, {{"Nodes=1", "Nodes=1\nKeepLoops=1"},
                                                 {"Port1=Device1", "Port2=Hub2\nPort1=Device1"}}),
             false);
    EXPECT_GE(records.size(), 4u);
    EXPECT_LE(records.size(), 100u); // each level of the bounded recursion finds both again
}

TEST(EnumPorts, RecordsTakeThePortsBelowTheirDevice) {
    const std::string long200(200, 'k');
    const PassCase cases[] = {
        {"serial port through a node, modem, and a phone without modem",
         {},
         {"0630:5:6", "0631:7:0"}},
        {"the first serial port in SetupAPI order wins",
         {{"Ports=4", "Ports=5"},
          {"[Port4]", "[Port5]\nClass=Ports\nPortName=COM9\nParent=Device1\n[Port4]"}},
         {"0630:5:6", "0631:7:0"}},
        {"a node without a Driver value ends the way up; a phone left with a modem is dropped",
         {{"Driver=" + kKey + "0017", "Driver="}},
         {"0631:7:0"}},
        {"a node whose Enum key does not open is passed over",
         {{"[Node1]", "[Node1]\nEnumKey=0"}},
         {"0630:5:6", "0631:7:0"}},
        {"Driver values are compared exactly",
         {{"[Device1]", "[Device1]\nNodeDriver=" + kLowerKey + "0007"}},
         {"0631:7:0"}},
        {"a Driver value longer than the Enum key's buffer matches nothing",
         {{"DriverKey=" + kKey + "0008", "DriverKey=" + long200}},
         {"0630:5:6"}},
        {"a chain of nodes that loops ends without a match",
         {{"Nodes=1", "Nodes=2\nKeepLoops=1"},
          {"Parent=Device1\nDriver", "Parent=Node2\nDriver"},
          {"[Port3]", "[Node2]\nParent=Node1\nDriver=x\n[Port3]"}},
         {"0631:7:0"}}};
    for (const PassCase& c : cases) {
        EXPECT_EQ(Pass(ChangedScenario(kTwoPhoneScenario, c.edits), true), Twice(c.once)) << c.what;
    }
}

TEST(EnumPorts, RecordsCarryThePortNames) {
    auto platform = Machine(kTwoPhoneScenario);
    CDeviceList devices;
    EnumerateUsbDevices(devices, *platform);
    EnumPorts(devices, *platform);
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(FieldView(devices[0]->tszSerialPortName), u"Ostra USB Serial Port (COM5)");
    EXPECT_EQ(FieldView(devices[0]->tszModemPortName), u"Ostra USB Modem");
    EXPECT_EQ(FieldView(devices[1]->tszSerialPortName), u"Ostra Serial"); // its description
    EXPECT_EQ(FieldView(devices[1]->tszModemPortName), u"");
    EXPECT_EQ(FieldView(devices[1]->tszDriverKey), u"{36FC9E60-C465-11CF-8056-444553540000}\\0008");
}

// Each row is one present serial port: its PortName, further keys, and the entry it yields
// ("number name"), or "" for none.
TEST(GetPortList, AcceptsComOneTo256AndNamesEntriesByTheirRules) {
    const std::string x100(100, 'x');
    const struct {
        std::string portName, keys, entry;
    } rows[] = {{"LPT1", "", ""},
                {"COM0", "", ""},
                {"COM257", "", ""},
                {"CO", "", ""},
                {"COM", "", ""},
                {"XCOM5", "", ""},
                {"COMx", "", ""},
                {"", "", ""},
                {"com7", "", "7 desc"},
                {"COM256", "", "256 desc"},
                {"COM12abc", "", "12 desc"},
                {"Com1", "FriendlyName=Port (COM1)", "1 Port (COM1)"},
                {"COM20", "FriendlyName=" + x100, "20 " + x100.substr(0, 63)},
                {"COM21", "Description=", "21 "},
                {"COM22", "FriendlyName=f\nNotText=FriendlyName", ""},
                {"COM23", "NotText=Description", ""},
                {"COM24", "FriendlyName=f\nNotText=Description", "24 f"},
                {"COM25", "HardwareKey=0", ""},
                {"COM26", "NotText=PortName", ""}};
    std::string scenario = "[Machine]\nPorts=" + std::to_string(std::size(rows)) + "\n";
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        scenario += "[Port" + std::to_string(i + 1) + "]\n" + rows[i].keys +
                    "\nClass=Ports\nPortName=" + rows[i].portName + "\nDescription=desc\n";
        if (!rows[i].entry.empty()) {
            expected.push_back(rows[i].entry);
        }
    }
    auto platform = Machine(scenario);
    uint32_t count = 0;
    ASSERT_TRUE(GetPortList(u"Ports", nullptr, 0, count, *platform->classes));
    ASSERT_EQ(count, expected.size());
    std::vector<PortEntry> entries(count);
    uint32_t filled = 0;
    ASSERT_TRUE(GetPortList(u"Ports", entries.data(), count, filled, *platform->classes));
    std::vector<std::string> got;
    for (const PortEntry& e : entries) {
        EXPECT_EQ(e.kind, kPortKindSerial);
        const std::u16string_view name = FieldView(e.name);
        got.push_back(std::to_string(e.port) + " " + std::string(name.begin(), name.end()));
    }
    EXPECT_EQ(filled, count);
    EXPECT_EQ(got, expected);

    entries.assign(3, PortEntry{});
    entries[2].port = -1; // filling stops at the capacity: this one stays untouched
    EXPECT_TRUE(GetPortList(u"Ports", entries.data(), 2, count, *platform->classes));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(entries[1].port, 256);
    EXPECT_EQ(entries[2].port, -1);
    count = 5;
    EXPECT_FALSE(GetPortList(u"Modem", nullptr, 0, count, *platform->classes)); // no modem here
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(
        GetPortList(u"Modem", entries.data(), 3, count, *Machine(kTwoPhoneScenario)->classes));
    EXPECT_EQ(entries[0].kind, kPortKindModem);
}

} // namespace
} // namespace hitched::test
