// The scenario file as the simulated machine reads it: values, references between sections,
// and the bounds that keep a broken file from making an endless machine.
#include "platform/scenario.h"
#include "platform/simulated_machine.h"

#include "tests/platform/ini_text_reader.h"

#include <gtest/gtest.h>

namespace hitched::test {
namespace {

Scenario Load(const std::string& text) {
    IniTextReader reader(text);
    return LoadScenario(reader);
}

TEST(Scenario, ValuesLoseCommentsAndReferencesDecideWhatIsPlugged) {
    const Scenario s = Load(
        "[machine]\ncontrollers=1\nPorts=1\n"
        "SpecialUsbPorts=COM3,COM4     ; a comment after a blank ends the value\n"
        "[CONTROLLER1]\nDriverKey={36FC9E60}\\0000   ; comment\nDescription=a;b\nRootHub=hub1\n"
        "[Hub1]\nPorts=6\nPort1=device1\nPort2=Printer\nPort3=Hub1\nPort4=Device1\nPort5=HUB2\n"
        "Port6=;Device2\n"
        "[hub2]\nPorts=1\nPort1=Device2\n"
        "[Device1]\nVendorID=0x04e8\nProductID=zz00\nPresent=0\n"
        "[Device2]\nVendorID=12345\n"
        "[Port1]\nParent=Device9\n");

    EXPECT_EQ(s.specialUsbPorts, u"COM3,COM4");
    ASSERT_EQ(s.controllers.size(), 1u);
    EXPECT_EQ(s.controllers[0].driverKey, u"{36FC9E60}\\0000");
    EXPECT_EQ(s.controllers[0].description, u"a;b");
    // Port2 names no hub or device; Port3 would be a loop; Port4 repeats a plugged device;
    // Port6 is a comment.
    ASSERT_EQ(s.hubs.size(), 2u);
    EXPECT_EQ(s.hubs[0].plugged,
              (std::vector<std::u16string>{u"device1", u"", u"", u"", u"HUB2", u""}));
    ASSERT_EQ(s.devices.size(), 3u); // Device9 is loaded because a port names it
    EXPECT_EQ(s.devices[0].vendorId, 0x04e8);
    EXPECT_EQ(s.devices[0].productId, 0); // not hexadecimal
    EXPECT_EQ(s.devices[1].vendorId, 0);  // five digits do not make a 16-bit ID
    EXPECT_FALSE(s.devices[0].present);
    EXPECT_TRUE(s.devices[2].present); // Present defaults to 1
    ASSERT_EQ(s.ports.size(), 1u);
    EXPECT_EQ(s.ports[0].portName, u"");
}

TEST(Scenario, BrokenCountsAndLoopsStayBounded) {
    const Scenario s = Load("[Machine]\nControllers=99999999\nPorts=-4\nNodes=2\n"
                            "[Controller1]\nRootHub=Hub1\n"
                            "[Hub1]\nPorts=100000\nPort1=Hub2\n[Hub2]\nPorts=1\nPort1=Hub1\n"
                            "[Node1]\nParent=Node2\n[Node2]\nParent=Node1\n");

    EXPECT_EQ(s.controllers.size(), static_cast<std::size_t>(kMaxScenarioSections));
    EXPECT_TRUE(s.ports.empty());
    ASSERT_EQ(s.hubs.size(), 2u);
    EXPECT_EQ(s.hubs[0].ports, kMaxHubPorts);
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

// A port below a looping chain of nodes, and one below a device the file does not have: both
// walks up the simulated tree end at its root.
TEST(SimulatedMachine, NodeLoopsAndDanglingParentsEndAtTheRoot) {
    IniTextReader reader("[Machine]\nPorts=2\nNodes=2\n[Port1]\nClass=Ports\nPortName=COM9\n"
                         "Parent=Node1\n[Node1]\nParent=Node2\n[Node2]\nParent=Node1\n"
                         "[Port2]\nClass=Ports\nPortName=COM10\nParent=Device7\n");
    auto p = MakeSimulatedPlatform(LoadScenario(reader));
    const auto ports = p->classes->PresentDevicesOfClass(u"Ports");
    ASSERT_EQ(ports.size(), 2u);
    DevNode root = 0;
    ASSERT_TRUE(p->tree->Root(root));
    for (const auto& port : ports) {
        DevNode node = port.node;
        int steps = 0;
        while (p->tree->Parent(node, node)) {
            ASSERT_LT(++steps, 10) << "the way up does not end";
        }
        EXPECT_EQ(node, root);
    }
}

} // namespace
} // namespace hitched::test
