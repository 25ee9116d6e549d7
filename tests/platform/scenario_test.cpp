#include "platform/scenario.h"

#include "tests/platform/ini_text_reader.h"

#include <gtest/gtest.h>

using hitched::LoadScenario;
using hitched::Scenario;
using hitched::test::IniTextReader;

namespace {

Scenario Load(const std::string& text) {
    IniTextReader reader(text);
    return LoadScenario(reader);
}

// The example of the handbook, inline comments and all.
const char* kHandbookExample = R"(
[Machine]
Controllers=1                 ; number of [ControllerN] sections [0]
Ports=1                       ; number of [PortN] sections [0]
Nodes=0                       ; number of [NodeN] sections [0]
SpecialUsbPorts=COM3,COM4     ; what communication.dll's GetUsbPorts answers

[Controller1]
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0000   ; the controller's driver key name
Description=Simulated USB Host Controller              ; its device description
RootHub=Hub1                                           ; section of its root hub

[Hub1]
Ports=4                        ; bNumberOfPorts
Port1=Device1                  ; what is plugged into port 1
Port3=Hub2

[Device1]
VendorID=0421                  ; hexadecimal, without 0x
ProductID=0630
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0007   ; the driver key
Present=1                      ; 0: still on the hub but its device node cannot be found [1]

[Port1]
Class=Ports                    ; Ports or Modem
PortName=COM5                  ; the hardware key's "PortName" value
FriendlyName=Ostra USB Serial Port (COM5)   ; empty: no friendly name
Description=Ostra USB Serial Port
Parent=Device1                 ; device-tree parent
)";

} // namespace

TEST(Scenario, HandbookExampleLoadsWithItsCommentsStripped) {
    const Scenario s = Load(kHandbookExample);
    EXPECT_EQ(s.specialUsbPorts, u"COM3,COM4");
    ASSERT_EQ(s.controllers.size(), 1u);
    EXPECT_EQ(s.controllers[0].driverKey, u"{36FC9E60-C465-11CF-8056-444553540000}\\0000");
    EXPECT_EQ(s.controllers[0].description, u"Simulated USB Host Controller");
    EXPECT_EQ(s.controllers[0].rootHub, u"Hub1");
    // Hub1 port 3 names Hub2, which has no section: a hub without ports.
    ASSERT_EQ(s.hubs.size(), 2u);
    EXPECT_EQ(s.hubs[0].ports, 4u);
    EXPECT_EQ(s.hubs[0].plugged, (std::vector<std::u16string>{u"Device1", u"", u"Hub2", u""}));
    EXPECT_EQ(s.hubs[1].ports, 0u);
    ASSERT_EQ(s.devices.size(), 1u);
    EXPECT_EQ(s.devices[0].vendorId, 0x0421);
    EXPECT_EQ(s.devices[0].productId, 0x0630);
    EXPECT_EQ(s.devices[0].driverKey, u"{36FC9E60-C465-11CF-8056-444553540000}\\0007");
    EXPECT_TRUE(s.devices[0].present);
    ASSERT_EQ(s.ports.size(), 1u);
    EXPECT_EQ(s.ports[0].className, u"Ports");
    EXPECT_EQ(s.ports[0].portName, u"COM5");
    EXPECT_EQ(s.ports[0].friendlyName, u"Ostra USB Serial Port (COM5)");
    EXPECT_EQ(s.ports[0].description, u"Ostra USB Serial Port");
    EXPECT_EQ(s.ports[0].parent, u"Device1");
    EXPECT_TRUE(s.nodes.empty());
}

TEST(Scenario, MissingKeysTakeTheirDefaults) {
    const Scenario empty = Load("");
    EXPECT_TRUE(empty.controllers.empty());
    EXPECT_TRUE(empty.ports.empty());
    EXPECT_EQ(empty.specialUsbPorts, u"");

    const Scenario s = Load("[Machine]\nPorts=1\n[Port1]\nParent=Device9\n[Device9]\n");
    ASSERT_EQ(s.ports.size(), 1u);
    EXPECT_EQ(s.ports[0].portName, u"");
    EXPECT_EQ(s.ports[0].className, u"");
    ASSERT_EQ(s.devices.size(), 1u); // loaded because the port names it
    EXPECT_EQ(s.devices[0].vendorId, 0);
    EXPECT_TRUE(s.devices[0].present); // Present defaults to 1
}

TEST(Scenario, SectionNamesDecideWhatIsPluggedAndCaseDoesNotMatter) {
    const Scenario s = Load(R"(
[machine]
controllers=1
[CONTROLLER1]
RootHub=hub1
[Hub1]
Ports=5
Port1=device1
Port2=Printer
Port3=Hub1
Port4=Device1
Port5=HUB2
[hub2]
Ports=1
Port1=Device2
[Device1]
VendorID=0x04e8
ProductID=zz00
Present=0
[Device2]
VendorID=12345
)");
    ASSERT_EQ(s.hubs.size(), 2u);
    // Port2 names no hub or device; Port3 would be a loop; Port4 repeats a plugged device.
    EXPECT_EQ(s.hubs[0].plugged, (std::vector<std::u16string>{u"device1", u"", u"", u"", u"HUB2"}));
    ASSERT_EQ(s.devices.size(), 2u);
    EXPECT_EQ(s.devices[0].vendorId, 0x04e8);
    EXPECT_EQ(s.devices[0].productId, 0); // not hexadecimal
    EXPECT_FALSE(s.devices[0].present);
    EXPECT_EQ(s.devices[1].vendorId, 0); // five digits do not make a 16-bit ID
}

TEST(Scenario, BrokenCountsAndLoopsStayBounded) {
    const Scenario s = Load(R"(
[Machine]
Controllers=99999999
Ports=-4
Nodes=2
[Controller1]
RootHub=Hub1
[Hub1]
Ports=100000
Port1=Hub2
[Hub2]
Ports=1
Port1=Hub1
[Node1]
Parent=Node2
[Node2]
Parent=Node1
)");
    EXPECT_EQ(s.controllers.size(), static_cast<std::size_t>(hitched::kMaxScenarioSections));
    EXPECT_TRUE(s.ports.empty());
    ASSERT_EQ(s.hubs.size(), 2u);
    EXPECT_EQ(s.hubs[0].ports, hitched::kMaxHubPorts);
    EXPECT_EQ(s.hubs[1].plugged, std::vector<std::u16string>{u""}); // back to Hub1: refused
    EXPECT_EQ(s.nodes.size(), 2u);
}

TEST(Scenario, HubChainsDeeperThanUsbAllowsAreCut) {
    std::string text = "[Machine]\nControllers=1\n[Controller1]\nRootHub=Hub1\n";
    for (int i = 1; i <= 12; ++i) {
        text += "[Hub" + std::to_string(i) + "]\nPorts=1\nPort1=Hub" + std::to_string(i + 1) + "\n";
    }
    const Scenario s = Load(text);
    EXPECT_EQ(s.hubs.size(), 7u);
    EXPECT_EQ(s.hubs.back().plugged, std::vector<std::u16string>{u""});
}
