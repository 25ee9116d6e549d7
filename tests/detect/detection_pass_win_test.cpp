// A USB pass under Wine as the program runs it: the scenario file named by HITCHED_SIMULATION,
// the platform bound as the program binds it, the real communication.dll (with
// KvInquireInfo.ini beside it) answering the DAV device's special ports. (The hub program's
// ending over the real process list is the processes test's.)
#include "detect/dav_usb_ports.h"
#include "enumeration/port_enumeration.h"
#include "enumeration/usb_tree_walk.h"
#include "contracts/utf16_field.h"
#include "platform/detection_platform.h"
#include "tests/support/scenario_file.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace hitched::test {
namespace {

// Device1 is a DAV device (product 0500) with a second serial function, COM9, and the
// scenario lists COM6 (Device1's modem) and COM3 beyond its tree. Every port must reach one
// record: COM5 and COM6 belong to Device1's cable record and are not named again.
TEST(DetectionPassWine, EveryPortOfTheDavDeviceAndThePhonesReachesOneRecord) {
    ScenarioFile scenario(ChangedScenario(
        kTwoPhoneScenario,
        {{"ProductID=0630", "ProductID=0500"},
         {"Ports=4", "Ports=5\nSpecialUsbPorts=COM6,COM3"},
         {"[Port4]", "[Port5]\nClass=Ports\nPortName=COM9\nParent=Device1\n[Port4]"}}));
    auto platform = OpenDetectionPlatform();
    ASSERT_TRUE(platform->simulated);
    CDeviceList devices;
    EnumerateUsbDevices(devices, *platform);
    EnumPorts(devices, *platform);
    ASSERT_EQ(devices.size(), 4u); // walked as \\.\HCD0 and as its interface
    EXPECT_EQ(devices[0]->nSerialPort, 5);
    EXPECT_EQ(devices[0]->nModemPort, 6);
    EXPECT_EQ(devices[1]->nSerialPort, 7);
    EXPECT_EQ(AddSpecialUsbPorts(devices), 1);
    ASSERT_EQ(devices.size(), 6u);
    EXPECT_EQ(FieldView(devices[4]->tszSerialPortName), u"COM9");
    EXPECT_EQ(uint64_t(devices[5]->ullBTAddress), 100000001u);
    EXPECT_EQ(FieldView(devices[5]->tszSerialPortName), u"COM3");

    scenario.Write("[Machine]\r\nControllers=0\r\n"); // read afresh: nothing left
    EXPECT_EQ(AddSpecialUsbPorts(devices), 0);
    EXPECT_EQ(devices.size(), 6u);
}

} // namespace
} // namespace hitched::test
