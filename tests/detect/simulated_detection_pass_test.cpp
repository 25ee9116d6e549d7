// A whole USB pass (walk, then ports) over the simulated machine built from scenario text, as
// the program runs it under HITCHED_SIMULATION.
#include <gtest/gtest.h>

#include <cstring>

#include "detect/port_enumeration.h"
#include "detect/usb_tree_walk.h"
#include "detect/utf16_field.h"
#include "platform/simulated_machine.h"
#include "tests/platform/ini_text_reader.h"

using hitched::FieldView;

namespace {

CDeviceList Pass(const std::string& scenario) {
    hitched::test::IniTextReader reader(scenario);
    auto platform = hitched::MakeSimulatedPlatform(hitched::LoadScenario(reader));
    CDeviceList devices;
    EnumerateUsbDevices(devices, *platform);
    EnumPorts(devices, *platform);
    return devices;
}

const char kTwoPhonesBehindAHub[] = R"(
[Machine]
Controllers=1
Ports=5
Nodes=1
[Controller1]
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0000
Description=Simulated USB Host Controller
RootHub=Hub1
[Hub1]
Ports=2
Port2=Hub2
[Hub2]
Ports=4
Port1=Device1
Port3=Device2
Port4=Device3
[Device1]
VendorID=0421
ProductID=0630
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0007
[Device2]
VendorID=0421
ProductID=0631
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0008
[Device3]
VendorID=046D
ProductID=C077
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0009
[Port1]
Class=Modem
PortName=COM6
FriendlyName=Ostra USB Modem
Parent=Device1
[Port2]
Class=Ports
PortName=COM5
FriendlyName=Ostra USB Serial Port (COM5)
Parent=Node1
[Node1]
Parent=Device1
Driver={36FC9E60-C465-11CF-8056-444553540000}\0017
[Port3]
Class=Ports
PortName=COM8
Description=Ostra Serial
Parent=Device2
[Port4]
Class=Ports
PortName=LPT1
FriendlyName=Printer Port (LPT1)
Parent=Device3
[Port5]
Class=Ports
PortName=COM1
FriendlyName=Communications Port (COM1)
)";

TEST(SimulatedDetectionPass, TwoPhonesBehindAnExternalHubGetTheirPortsAndOthersAreDropped) {
    CDeviceList devices = Pass(kTwoPhonesBehindAHub);
    // The simulated controller answers both as \\.\HCD0 and as a host-controller interface,
    // so it is walked twice and each phone found twice (the broadcast's table keeps one).
    ASSERT_EQ(devices.size(), 4u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(0,
                  std::memcmp(devices[i].get(), devices[i + 2].get(), sizeof(_PHONEDEVICEINFO_T)));
    }
    EXPECT_EQ(devices[0]->wProductID, 0x0630);
    EXPECT_EQ(devices[0]->wHubPort, 1);
    EXPECT_EQ(devices[0]->nSerialPort, 5);
    EXPECT_EQ(FieldView(devices[0]->tszSerialPortName), u"Ostra USB Serial Port (COM5)");
    EXPECT_EQ(devices[0]->nModemPort, 6);
    EXPECT_EQ(FieldView(devices[0]->tszModemPortName), u"Ostra USB Modem");
    EXPECT_EQ(devices[1]->wProductID, 0x0631);
    EXPECT_EQ(devices[1]->wHubPort, 3);
    EXPECT_EQ(devices[1]->wHubPortCopy, 3);
    EXPECT_EQ(devices[1]->nSerialPort, 8);
    EXPECT_EQ(FieldView(devices[1]->tszSerialPortName), u"Ostra Serial");
    EXPECT_EQ(devices[1]->nModemPort, 0);
    EXPECT_EQ(FieldView(devices[1]->tszDriverKey), u"{36FC9E60-C465-11CF-8056-444553540000}\\0008");
}

TEST(SimulatedDetectionPass, AbsentDeviceAndADriverlessNodeInTheChainYieldNothing) {
    std::string scenario = kTwoPhonesBehindAHub;
    // Device2 stays on its hub without a node; Node1 loses its Driver value, cutting COM5 off
    // from Device1, which then has only a modem.
    scenario.replace(scenario.find("[Device2]"), 9, "[Device2]\nPresent=0");
    const std::string driver = "Driver={36FC9E60-C465-11CF-8056-444553540000}\\0017";
    scenario.replace(scenario.find(driver), driver.size(), "Driver=");
    EXPECT_TRUE(Pass(scenario).empty());
}

TEST(SimulatedDetectionPass, EmptyMachineYieldsNoDevices) {
    EXPECT_TRUE(Pass("").empty());
    EXPECT_TRUE(Pass("[Machine]\nControllers=3\n").empty());
}

} // namespace
