// The USB tree walk against a fake machine: which controllers and hubs are walked, how ports
// are numbered, which attached devices become records and with what fields.
#include <gtest/gtest.h>

#include "detect/usb_tree_walk.h"
#include "detect/utf16_field.h"
#include "tests/detect/fake_detection_platform.h"

using hitched::FieldView;
using hitched::test::FakeMachine;

namespace {

const std::u16string kCtrlKey = u"{36FC9E60-C465-11CF-8056-444553540000}\\0000";
const std::u16string kPhoneKey = u"{36FC9E60-C465-11CF-8056-444553540000}\\0007";
const std::u16string kRoot = u"USB#ROOT_HUB#1";

CDeviceList Walk(FakeMachine& m) {
    CDeviceList devices;
    auto platform = m.Platform();
    EnumerateUsbDevices(devices, *platform);
    return devices;
}

TEST(UsbTreeWalk, InstancePrefixIsLowerCaseFourDigitHex) {
    EXPECT_EQ(hitched::UsbInstancePrefix(0x0A1B, 0x00ff), u"usb\\vid_0a1b&pid_00ff");
    EXPECT_EQ(hitched::UsbInstancePrefix(0, 0xFFFF), u"usb\\vid_0000&pid_ffff");
}

TEST(UsbTreeWalk, DeviceOnRootHubBecomesARecordWithItsIdsPortAndDriverKey) {
    FakeMachine m;
    m.AddController(0, kCtrlKey, u"Host Controller", kRoot, 4);
    m.PlugDevice(kRoot, 3, 0x0421, 0x0630, kPhoneKey, u"USB\\VID_0421&PID_0630\\A");
    CDeviceList devices = Walk(m);
    ASSERT_EQ(devices.size(), 1u);
    const _PHONEDEVICEINFO_T& d = *devices[0];
    EXPECT_EQ(d.dwConnectType, 1u);
    EXPECT_EQ(d.wVendorID, 0x0421);
    EXPECT_EQ(d.wProductID, 0x0630);
    EXPECT_EQ(d.wHubPort, 3);
    EXPECT_EQ(d.wHubPortCopy, 3);
    EXPECT_EQ(FieldView(d.tszDriverKey), kPhoneKey);
    EXPECT_EQ(d.nSerialPort, 0);
    EXPECT_EQ(uint64_t(d.ullBTAddress), 0u);
    // Ports are asked from 1 up to the hub's count, no further.
    std::vector<uint32_t> ports;
    for (const auto& [hub, port] : m.queriedPorts) {
        ports.push_back(port);
    }
    EXPECT_EQ(ports, (std::vector<uint32_t>{1, 2, 3, 4}));
}

TEST(UsbTreeWalk, ControllersWithoutDescriptionRootHubOrKnownNodeAreSkipped) {
    FakeMachine m;
    // HCD0: no description in the tree. HCD1: no root hub. HCD2: its driver key names no node.
    m.AddController(0, u"ctrl\\0", u"", u"HubA", 1);
    m.PlugDevice(u"HubA", 1, 1, 1, u"dev\\a", u"USB\\VID_0001&PID_0001\\A");
    m.AddController(1, u"ctrl\\1", u"Host", u"", 0);
    m.controllers[u"\\\\.\\HCD2"] = FakeMachine::Controller{u"ctrl\\nowhere", u"HubC"};
    m.hubs[u"HubC"].ports = 1;
    m.PlugDevice(u"HubC", 1, 3, 3, u"dev\\c", u"USB\\VID_0003&PID_0003\\C");
    // HCD3: walked; its key is found without regard to case.
    m.AddController(3, u"CTRL\\3", u"Host", u"HubD", 1);
    m.controllers[u"\\\\.\\HCD3"].driverKey = u"ctrl\\3";
    m.PlugDevice(u"HubD", 1, 4, 4, u"dev\\d", u"USB\\VID_0004&PID_0004\\D");
    CDeviceList devices = Walk(m);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(FieldView(devices[0]->tszDriverKey), u"dev\\d");
    EXPECT_EQ(m.openedHubs, (std::vector<std::u16string>{u"HubD"}));
}

TEST(UsbTreeWalk, ExternalHubsAreWalkedInPortOrderAtTheirPlace) {
    FakeMachine m;
    m.AddController(0, kCtrlKey, u"Host", kRoot, 3);
    m.PlugDevice(kRoot, 1, 0x0421, 0x0001, u"dev\\1", u"USB\\VID_0421&PID_0001\\1");
    m.PlugHub(kRoot, 2, u"Ext", 4);
    m.PlugDevice(kRoot, 3, 0x0421, 0x0003, u"dev\\3", u"USB\\VID_0421&PID_0003\\3");
    m.PlugDevice(u"Ext", 2, 0x0421, 0x0022, u"dev\\22", u"USB\\VID_0421&PID_0022\\22");
    m.PlugHub(u"Ext", 4, u"Inner", 1);
    m.PlugDevice(u"Inner", 1, 0x0421, 0x0041, u"dev\\41", u"USB\\VID_0421&PID_0041\\41");
    CDeviceList devices = Walk(m);
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(FieldView(devices[0]->tszDriverKey), u"dev\\1");
    EXPECT_EQ(FieldView(devices[1]->tszDriverKey), u"dev\\22");
    EXPECT_EQ(devices[1]->wHubPort, 2); // its port on the external hub
    EXPECT_EQ(FieldView(devices[2]->tszDriverKey), u"dev\\41");
    EXPECT_EQ(devices[2]->wHubPort, 1);
    EXPECT_EQ(FieldView(devices[3]->tszDriverKey), u"dev\\3");
    EXPECT_EQ(devices[3]->wHubPort, 3);
}

TEST(UsbTreeWalk, DeviceWhoseNodeIsNotFoundIsSkippedAndTheWalkGoesOn) {
    FakeMachine m;
    m.AddController(0, kCtrlKey, u"Host", kRoot, 4);
    // Port 1: no present device at all. Port 2: a present device with these IDs, but another
    // driver key. Port 3: a driver property that is not text. Port 4: found.
    m.PlugDevice(kRoot, 1, 0x0421, 0x0001, u"dev\\1", u"", false);
    m.PlugDevice(kRoot, 2, 0x0421, 0x0002, u"dev\\2", u"", false);
    m.present.push_back({u"USB\\VID_0421&PID_0002\\X", {true, true, u"dev\\other"}, 0});
    m.PlugDevice(kRoot, 3, 0x0421, 0x0003, u"dev\\3", u"", false);
    m.present.push_back({u"USB\\VID_0421&PID_0003\\X", {true, false, u""}, 0});
    m.PlugDevice(kRoot, 4, 0x0421, 0x0004, u"Dev\\4", u"USB\\VID_0421&PID_0004\\Y");
    m.hubs[kRoot].plugged[4].driverKey = u"dev\\4"; // the hub spells it otherwise
    CDeviceList devices = Walk(m);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->wHubPort, 4);
    EXPECT_EQ(FieldView(devices[0]->tszDriverKey), u"dev\\4"); // as the hub names it
}

TEST(UsbTreeWalk, DevicesWithTheSameIdsAreToldApartByTheirDriverKeys) {
    FakeMachine m;
    m.AddController(0, kCtrlKey, u"Host", kRoot, 2);
    m.PlugDevice(kRoot, 1, 0x0421, 0x0630, u"dev\\a", u"USB\\VID_0421&PID_0630\\A");
    m.PlugDevice(kRoot, 2, 0x0421, 0x0630, u"dev\\b", u"USB\\VID_0421&PID_0630\\B");
    CDeviceList devices = Walk(m);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(FieldView(devices[0]->tszDriverKey), u"dev\\a");
    EXPECT_EQ(FieldView(devices[1]->tszDriverKey), u"dev\\b");
}

TEST(UsbTreeWalk, PlainConnectionInformationStandsInWhenTheExtendedOneFails) {
    FakeMachine m;
    m.AddController(0, kCtrlKey, u"Host", kRoot, 3);
    m.PlugDevice(kRoot, 1, 0x0421, 0x0001, u"dev\\1", u"USB\\VID_0421&PID_0001\\1");
    m.hubs[kRoot].plugged[1].extendedFails = true;
    m.PlugDevice(kRoot, 2, 0x0421, 0x0002, u"dev\\2", u"USB\\VID_0421&PID_0002\\2");
    m.hubs[kRoot].plugged[2].extendedFails = true;
    m.hubs[kRoot].plugged[2].plainFails = true;
    m.PlugDevice(kRoot, 3, 0x0421, 0x0003, u"dev\\3", u"USB\\VID_0421&PID_0003\\3");
    CDeviceList devices = Walk(m);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->wHubPort, 1);
    EXPECT_EQ(devices[1]->wHubPort, 3);
}

TEST(UsbTreeWalk, ControllerReachableByNumberAndInterfaceIsWalkedTwice) {
    FakeMachine m;
    m.AddController(0, kCtrlKey, u"Host", kRoot, 1);
    m.PlugDevice(kRoot, 1, 0x0421, 0x0001, u"dev\\1", u"USB\\VID_0421&PID_0001\\1");
    m.controllers[u"\\\\?\\pci#ctrl0#{3abf6f2d}"] = m.controllers[u"\\\\.\\HCD0"];
    m.interfaces = {u"\\\\?\\pci#ctrl0#{3abf6f2d}", u"\\\\?\\gone"};
    m.hubs[u"Unopened"].ports = 1;
    m.hubs[u"Unopened"].countFails = true;
    m.controllers[u"\\\\.\\HCD9"] = FakeMachine::Controller{kCtrlKey, u"Unopened"};
    CDeviceList devices = Walk(m);
    EXPECT_EQ(devices.size(), 2u);
    EXPECT_EQ(m.openedControllers, (std::vector<std::u16string>{u"\\\\.\\HCD0", u"\\\\.\\HCD9",
                                                                u"\\\\?\\pci#ctrl0#{3abf6f2d}"}));
}

TEST(UsbTreeWalk, HubThatHoldsItselfEndsInsteadOfRecursingForever) {
    FakeMachine m;
    m.AddController(0, kCtrlKey, u"Host", kRoot, 2);
    m.PlugHub(kRoot, 1, kRoot, 2); // a broken answer: the root hub in its own port
    m.PlugDevice(kRoot, 2, 0x0421, 0x0001, u"dev\\1", u"USB\\VID_0421&PID_0001\\1");
    CDeviceList devices = Walk(m);
    // Each level of the bounded recursion finds the device once more; what matters is the end.
    EXPECT_GE(devices.size(), 1u);
    EXPECT_LE(devices.size(), 32u);
}

} // namespace
