// Port listing and the matching of COM ports to USB records against a fake machine: which
// devices yield entries, which entry a record takes, and which records are dropped.
#include <gtest/gtest.h>

#include "detect/port_enumeration.h"
#include "detect/utf16_field.h"
#include "tests/detect/fake_detection_platform.h"

using hitched::FieldView;
using hitched::DevNode;
using hitched::PortEntry;
using hitched::test::FakeMachine;
using hitched::test::MakeClassDevice;

namespace {

// A USB record as the walk leaves it.
void AddRecord(CDeviceList& devices, const std::u16string& driverKey, uint16_t hubPort) {
    _PHONEDEVICEINFO_T& d = hitched::AppendNewDevice(devices);
    d.dwConnectType = 1;
    d.wHubPort = d.wHubPortCopy = hubPort;
    hitched::CopyField(d.tszDriverKey, driverKey);
}

std::vector<PortEntry> List(FakeMachine& m, std::u16string_view className) {
    auto platform = m.Platform();
    uint32_t count = 99;
    std::vector<PortEntry> entries;
    if (!GetPortList(className, nullptr, 0, count, *platform->classes)) {
        EXPECT_EQ(count, 0u);
        return entries;
    }
    entries.resize(count);
    uint32_t filled = 0;
    EXPECT_TRUE(GetPortList(className, entries.data(), count, filled, *platform->classes));
    EXPECT_EQ(filled, count);
    return entries;
}

TEST(GetPortList, OnlyComOneToTwoHundredFiftySixInAnyCaseYieldsAnEntry) {
    FakeMachine m;
    auto& ports = m.classes[u"Ports"];
    for (const char16_t* name : {u"LPT1", u"COM0", u"COM257", u"CO", u"COM", u"XCOM5", u"COMx"}) {
        ports.push_back(MakeClassDevice(7, u"", u"desc", name));
    }
    ports.push_back(MakeClassDevice(7, u"", u"desc", u"")); // no PortName at all
    ports.push_back(MakeClassDevice(8, u"", u"desc", u"com7"));
    ports.push_back(MakeClassDevice(9, u"", u"desc", u"COM256"));
    ports.push_back(MakeClassDevice(10, u"", u"desc", u"Com1"));
    ports.push_back(MakeClassDevice(11, u"", u"desc", u"COM12abc")); // read as 12, like _wtoi
    const std::vector<PortEntry> entries = List(m, u"Ports");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].port, 7);
    EXPECT_EQ(entries[0].devNode, 8u);
    EXPECT_EQ(entries[1].port, 256);
    EXPECT_EQ(entries[2].port, 1);
    EXPECT_EQ(entries[3].port, 12);
    EXPECT_EQ(entries[0].kind, hitched::kPortKindSerial);
}

TEST(GetPortList, NameIsTheFriendlyNameElseTheDescriptionCutToSixtyThree) {
    FakeMachine m;
    auto& modems = m.classes[u"Modem"];
    modems.push_back(MakeClassDevice(1, u"Ostra Modem (COM6)", u"Ostra Modem", u"COM6"));
    modems.push_back(MakeClassDevice(2, u"", u"Only a description", u"COM7"));
    modems.push_back(MakeClassDevice(3, u"", u"", u"COM8"));
    modems.push_back(MakeClassDevice(4, std::u16string(100, u'x'), u"", u"COM9"));
    // A friendly name of another type rules the device out, even with a description; so does
    // a description of another type when it is the one read, or a hardware key that fails.
    modems.push_back(MakeClassDevice(5, u"", u"d", u"COM10"));
    modems.back().friendlyName = {true, false, u""};
    modems.push_back(MakeClassDevice(6, u"", u"", u"COM11"));
    modems.back().description = {true, false, u""};
    modems.push_back(MakeClassDevice(7, u"f", u"d", u"COM12"));
    modems.back().hardwareKeyOpened = false;
    const std::vector<PortEntry> entries = List(m, u"Modem");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(FieldView(entries[0].name), u"Ostra Modem (COM6)");
    EXPECT_EQ(FieldView(entries[1].name), u"Only a description");
    EXPECT_EQ(FieldView(entries[2].name), u"");
    EXPECT_EQ(FieldView(entries[3].name), std::u16string(63, u'x'));
    for (const PortEntry& e : entries) {
        EXPECT_EQ(e.kind, hitched::kPortKindModem);
    }
}

TEST(GetPortList, FillingStopsAtTheCapacityAndAnEmptyClassYieldsFalse) {
    FakeMachine m;
    for (const char16_t* name : {u"COM1", u"COM2", u"COM3"}) {
        m.classes[u"Ports"].push_back(MakeClassDevice(1, u"", u"d", name));
    }
    auto platform = m.Platform();
    PortEntry entries[3] = {};
    entries[2].port = -1; // must stay untouched
    uint32_t count = 0;
    EXPECT_TRUE(GetPortList(u"Ports", entries, 2, count, *platform->classes));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(entries[1].port, 2);
    EXPECT_EQ(entries[2].port, -1);
    count = 5;
    EXPECT_FALSE(GetPortList(u"Modem", nullptr, 0, count, *platform->classes));
    EXPECT_EQ(count, 0u);
}

// A machine with a phone's USB device, an interface node below it, and its two functions.
struct PhoneTree {
    FakeMachine m;
    DevNode usb = 0;
    DevNode iface = 0;
    DevNode serial = 0;
    DevNode modem = 0;
    PhoneTree() {
        DevNode hub = m.AddNode(m.root, u"USB\\ROOT_HUB\\1");
        usb = m.AddNode(hub, u"USB\\VID_0421&PID_0630\\1", u"{usb}\\0007");
        iface = m.AddNode(usb, u"USB\\VID_0421&PID_0630&MI_01\\1", u"{usb}\\0008");
        serial = m.AddNode(iface, u"SIM\\SERIAL\\1", u"{4D36E978}\\0000");
        modem = m.AddNode(usb, u"SIM\\MODEM\\1", u"{4D36E96D}\\0000");
        m.classes[u"Ports"].push_back(
            MakeClassDevice(serial, u"Ostra USB Serial Port (COM5)", u"", u"COM5"));
        m.classes[u"Modem"].push_back(MakeClassDevice(modem, u"Ostra USB Modem", u"", u"COM6"));
    }
    CDeviceList Enumerate(CDeviceList devices) {
        auto platform = m.Platform();
        EnumPorts(devices, *platform);
        return devices;
    }
};

TEST(EnumPorts, PortsBelowTheDeviceThroughIntermediateNodesAreGivenToItsRecord) {
    PhoneTree t;
    CDeviceList devices;
    AddRecord(devices, u"{usb}\\0007", 2);
    devices = t.Enumerate(std::move(devices));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->nSerialPort, 5);
    EXPECT_EQ(FieldView(devices[0]->tszSerialPortName), u"Ostra USB Serial Port (COM5)");
    EXPECT_EQ(devices[0]->nModemPort, 6);
    EXPECT_EQ(FieldView(devices[0]->tszModemPortName), u"Ostra USB Modem");
    EXPECT_EQ(devices[0]->wHubPort, 2); // the rest of the record is left alone
    // Each class is listed twice: counting, then filling.
    EXPECT_EQ(t.m.classQueries, 4);
}

TEST(EnumPorts, RecordsWithoutASerialPortAreDeletedAndTheOthersKeepTheirOrder) {
    PhoneTree t;
    // A second phone with only a modem, a third with nothing below it.
    DevNode usb2 = t.m.AddNode(t.m.root, u"USB\\VID_0421&PID_0631\\2", u"{usb}\\0010");
    DevNode modem2 = t.m.AddNode(usb2, u"SIM\\MODEM\\2", u"{4D36E96D}\\0001");
    t.m.classes[u"Modem"].push_back(MakeClassDevice(modem2, u"Second modem", u"", u"COM9"));
    DevNode usb3 = t.m.AddNode(t.m.root, u"USB\\VID_0421&PID_0632\\3", u"{usb}\\0011");
    DevNode serial3 = t.m.AddNode(usb3, u"SIM\\SERIAL\\3", u"{4D36E978}\\0003");
    t.m.classes[u"Ports"].push_back(MakeClassDevice(serial3, u"Third", u"", u"COM11"));
    CDeviceList devices;
    AddRecord(devices, u"{usb}\\0010", 1); // modem only
    AddRecord(devices, u"{usb}\\0099", 2); // nothing
    AddRecord(devices, u"{usb}\\0007", 3);
    AddRecord(devices, u"{usb}\\0099", 4); // nothing
    AddRecord(devices, u"{usb}\\0011", 5);
    devices = t.Enumerate(std::move(devices));
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->wHubPort, 3);
    EXPECT_EQ(devices[0]->nSerialPort, 5);
    EXPECT_EQ(devices[1]->wHubPort, 5);
    EXPECT_EQ(devices[1]->nSerialPort, 11);
    EXPECT_EQ(devices[1]->nModemPort, 0);
}

TEST(EnumPorts, FirstEntryInSetupOrderWinsWhenTwoHangBelowTheSameDevice) {
    PhoneTree t;
    DevNode second = t.m.AddNode(t.usb, u"SIM\\SERIAL\\2", u"{4D36E978}\\0001");
    t.m.classes[u"Ports"].insert(t.m.classes[u"Ports"].begin(),
                                 MakeClassDevice(second, u"Earlier (COM3)", u"", u"COM3"));
    CDeviceList devices;
    AddRecord(devices, u"{usb}\\0007", 1);
    devices = t.Enumerate(std::move(devices));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->nSerialPort, 3);
    EXPECT_EQ(FieldView(devices[0]->tszSerialPortName), u"Earlier (COM3)");
}

TEST(EnumPorts, DriverValuesAreComparedExactlyAndANodeWithoutOneEndsTheWalkUp) {
    {
        PhoneTree t;
        CDeviceList devices;
        AddRecord(devices, u"{USB}\\0007", 1); // differs in case only
        EXPECT_TRUE(t.Enumerate(std::move(devices)).empty());
    }
    {
        PhoneTree t; // the interface node has no Driver value: the serial port stops there
        t.m.nodes[t.iface].driver.reset();
        CDeviceList devices;
        AddRecord(devices, u"{usb}\\0007", 1);
        EXPECT_TRUE(t.Enumerate(std::move(devices)).empty());
    }
    {
        PhoneTree t; // a node whose Enum key does not open, or that has no ID, is passed over
        t.m.nodes[t.iface].enumKeyOpens = false;
        t.m.nodes[t.serial].deviceId.reset();
        CDeviceList devices;
        AddRecord(devices, u"{usb}\\0007", 1);
        devices = t.Enumerate(std::move(devices));
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0]->nSerialPort, 5);
    }
}

TEST(EnumPorts, LongFriendlyNameIsCutAndTheRestOfTheFieldZeroed) {
    PhoneTree t;
    t.m.classes[u"Ports"][0] = MakeClassDevice(t.serial, std::u16string(200, u'n'), u"", u"COM5");
    CDeviceList devices;
    AddRecord(devices, u"{usb}\\0007", 1);
    devices[0]->tszSerialPortName[150] = u'!'; // stale text beyond the cut must go
    devices = t.Enumerate(std::move(devices));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(FieldView(devices[0]->tszSerialPortName), std::u16string(63, u'n'));
    EXPECT_EQ(devices[0]->tszSerialPortName[150], u'\0');
}

TEST(EnumPorts, ParentLoopInABrokenTreeEndsWithoutAMatch) {
    PhoneTree t;
    t.m.nodes[t.iface].parent = t.serial; // serial -> iface -> serial ...
    t.m.nodes[t.iface].driver = u"{other}";
    CDeviceList devices;
    AddRecord(devices, u"{usb}\\0007", 1);
    devices = t.Enumerate(std::move(devices));
    EXPECT_TRUE(devices.empty());
}

} // namespace
