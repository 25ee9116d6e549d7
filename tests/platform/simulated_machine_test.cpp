#include "platform/simulated_machine.h"

#include "tests/platform/ini_text_reader.h"

#include <gtest/gtest.h>

#include <functional>

using namespace hitched;
using hitched::test::IniTextReader;

namespace {

const char* kMachine = R"(
[Machine]
Controllers=2
Ports=4
Nodes=1
[Controller1]
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0000
Description=Simulated USB Host Controller
RootHub=Hub1
[Controller2]
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0001
RootHub=Hub3
[Hub1]
Ports=4
Port1=Device1
Port2=Hub2
Port4=Device3
[Hub2]
Ports=2
Port2=Device2
[Hub3]
Ports=1
Port1=Device4
[Device1]
VendorID=0421
ProductID=0630
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0007
[Device2]
VendorID=0421
ProductID=0631
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0008
[Device3]
VendorID=0421
ProductID=0500
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0009
Present=0
[Device4]
VendorID=04E8
ProductID=6860
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0010
[Port1]
Class=Ports
PortName=COM5
FriendlyName=Ostra USB Serial Port (COM5)
Description=Ostra USB Serial Port
Parent=Device1
[Port2]
Class=Modem
PortName=COM6
Description=Ostra USB Modem
Parent=Node1
[Node1]
Parent=Device1
Driver={36FC9E60-C465-11CF-8056-444553540000}\0011
[Port3]
Class=Ports
PortName=com7
Description=Ostra USB Serial Port
Parent=Device2
[Port4]
Class=Modem
PortName=COM8
Parent=Device3
)";

std::unique_ptr<DetectionPlatform> Platform(const std::string& text) {
    IniTextReader reader(text);
    return MakeSimulatedPlatform(LoadScenario(reader));
}

const std::u16string kHubGuid = u"#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";

// Depth-first search of the tree for the node whose Driver equals the key.
bool FindByDriver(IDeviceTree& tree, const std::u16string& key, DevNode& found) {
    std::function<bool(DevNode)> visit = [&](DevNode node) {
        std::u16string driver;
        if (tree.Property(node, NodeProperty::Driver, driver) && driver == key) {
            found = node;
            return true;
        }
        DevNode child;
        for (bool more = tree.FirstChild(node, child); more;
             more = tree.NextSibling(child, child)) {
            if (visit(child)) {
                return true;
            }
        }
        return false;
    };
    DevNode root;
    return tree.Root(root) && visit(root);
}

} // namespace

TEST(SimulatedMachine, ControllersOpenAsHcdAndAsInterfacePaths) {
    auto p = Platform(kMachine);
    EXPECT_TRUE(p->simulated);
    std::u16string key;
    auto hcd0 = p->usb->OpenController(u"\\\\.\\HCD0");
    ASSERT_TRUE(hcd0);
    ASSERT_TRUE(hcd0->DriverKeyName(key));
    EXPECT_EQ(key, u"{36FC9E60-C465-11CF-8056-444553540000}\\0000");
    auto hcd1 = p->usb->OpenController(u"\\\\.\\hcd1");
    ASSERT_TRUE(hcd1);
    ASSERT_TRUE(hcd1->DriverKeyName(key));
    EXPECT_EQ(key, u"{36FC9E60-C465-11CF-8056-444553540000}\\0001");
    EXPECT_FALSE(p->usb->OpenController(u"\\\\.\\HCD2"));
    EXPECT_FALSE(p->usb->OpenController(u"HCD0"));

    const auto paths = p->usb->HostControllerInterfaces();
    ASSERT_EQ(paths.size(), 2u);
    auto byPath = p->usb->OpenController(paths[1]);
    ASSERT_TRUE(byPath);
    ASSERT_TRUE(byPath->DriverKeyName(key));
    EXPECT_EQ(key, u"{36FC9E60-C465-11CF-8056-444553540000}\\0001");

    std::u16string hub;
    ASSERT_TRUE(hcd0->RootHubName(hub));
    EXPECT_EQ(hub, u"USB#ROOT_HUB#HUB1" + kHubGuid);
}

TEST(SimulatedMachine, HubPortsTellWhatIsPlugged) {
    auto p = Platform(kMachine);
    auto hub = p->usb->OpenHub(u"USB#ROOT_HUB#HUB1" + kHubGuid);
    ASSERT_TRUE(hub);
    uint32_t ports = 0;
    ASSERT_TRUE(hub->PortCount(ports));
    EXPECT_EQ(ports, 4u);

    UsbConnection c;
    ASSERT_TRUE(hub->ConnectionInformationEx(1, c));
    EXPECT_EQ(c.connectionStatus, kUsbDeviceConnected);
    EXPECT_FALSE(c.deviceIsHub);
    EXPECT_EQ(c.idVendor, 0x0421);
    EXPECT_EQ(c.idProduct, 0x0630);
    ASSERT_TRUE(hub->ConnectionInformation(2, c));
    EXPECT_EQ(c.connectionStatus, kUsbDeviceConnected);
    EXPECT_TRUE(c.deviceIsHub);
    ASSERT_TRUE(hub->ConnectionInformationEx(3, c));
    EXPECT_EQ(c.connectionStatus, kUsbNoDeviceConnected);
    EXPECT_FALSE(hub->ConnectionInformationEx(0, c));
    EXPECT_FALSE(hub->ConnectionInformationEx(5, c));

    std::u16string name;
    ASSERT_TRUE(hub->ConnectionDriverKeyName(1, name));
    EXPECT_EQ(name, u"{36FC9E60-C465-11CF-8056-444553540000}\\0007");
    EXPECT_FALSE(hub->ConnectionDriverKeyName(3, name));
    EXPECT_FALSE(hub->ConnectionName(1, name)); // a device, not a hub
    ASSERT_TRUE(hub->ConnectionName(2, name));
    EXPECT_EQ(name, u"USB#SIM_HUB#HUB2" + kHubGuid);

    // A device with Present=0 is still on its hub, with its driver key.
    ASSERT_TRUE(hub->ConnectionInformationEx(4, c));
    EXPECT_EQ(c.idProduct, 0x0500);
    ASSERT_TRUE(hub->ConnectionDriverKeyName(4, name));
    EXPECT_EQ(name, u"{36FC9E60-C465-11CF-8056-444553540000}\\0009");

    auto external = p->usb->OpenHub(u"USB#SIM_HUB#hub2" + kHubGuid); // names ignore case
    ASSERT_TRUE(external);
    ASSERT_TRUE(external->ConnectionInformationEx(2, c));
    EXPECT_EQ(c.idProduct, 0x0631);
    EXPECT_FALSE(p->usb->OpenHub(u"USB#SIM_HUB#HUB9" + kHubGuid));
    EXPECT_FALSE(p->usb->OpenHub(u"\\\\.\\USB#ROOT_HUB#HUB1" + kHubGuid)); // the name alone
}

TEST(SimulatedMachine, DeviceTreeHangsPortsBelowTheirUsbDevice) {
    auto p = Platform(kMachine);
    IDeviceTree& tree = *p->tree;
    DevNode device = 0;
    ASSERT_TRUE(FindByDriver(tree, u"{36FC9E60-C465-11CF-8056-444553540000}\\0007", device));
    std::u16string id;
    ASSERT_TRUE(tree.DeviceId(device, id));
    EXPECT_EQ(id.rfind(u"USB\\VID_0421&PID_0630\\", 0), 0u);

    // Up from the device: its hub, the controller, the root.
    std::u16string desc;
    DevNode hub = 0, controller = 0, root = 0, none = 0;
    ASSERT_TRUE(tree.Parent(device, hub));
    ASSERT_TRUE(tree.Parent(hub, controller));
    ASSERT_TRUE(tree.Property(controller, NodeProperty::DeviceDesc, desc));
    EXPECT_EQ(desc, u"Simulated USB Host Controller");
    ASSERT_TRUE(tree.Parent(controller, root));
    DevNode treeRoot;
    tree.Root(treeRoot);
    EXPECT_EQ(root, treeRoot);
    EXPECT_FALSE(tree.Parent(root, none));

    // The second controller has no description.
    DevNode controller2;
    ASSERT_TRUE(FindByDriver(tree, u"{36FC9E60-C465-11CF-8056-444553540000}\\0001", controller2));
    EXPECT_FALSE(tree.Property(controller2, NodeProperty::DeviceDesc, desc));

    // Present=0: no node carries that device's driver key.
    DevNode absent;
    EXPECT_FALSE(FindByDriver(tree, u"{36FC9E60-C465-11CF-8056-444553540000}\\0009", absent));
}

TEST(SimulatedMachine, EnumKeysGiveDriverValuesAlongAPortsAncestors) {
    auto p = Platform(kMachine);
    auto modems = p->classes->PresentDevicesOfClass(u"Modem");
    ASSERT_EQ(modems.size(), 2u);
    // Port2 (a modem) -> Node1 -> Device1: three Driver values, the last the device's key.
    std::vector<std::u16string> drivers;
    DevNode node = modems[0].node;
    for (int i = 0; i < 3; ++i) {
        std::u16string id, driver;
        ASSERT_TRUE(p->tree->DeviceId(node, id));
        ASSERT_EQ(p->tree->EnumKeyDriver(id, driver), EnumDriver::Value) << i;
        drivers.push_back(driver);
        ASSERT_TRUE(p->tree->Parent(node, node));
    }
    EXPECT_EQ(drivers[0], u"{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000");
    EXPECT_EQ(drivers[1], u"{36FC9E60-C465-11CF-8056-444553540000}\\0011");
    EXPECT_EQ(drivers[2], u"{36FC9E60-C465-11CF-8056-444553540000}\\0007");
    // Above the device: its hub, which has no Driver value.
    std::u16string id, driver;
    ASSERT_TRUE(p->tree->DeviceId(node, id));
    EXPECT_EQ(p->tree->EnumKeyDriver(id, driver), EnumDriver::NoValue);
    EXPECT_EQ(p->tree->EnumKeyDriver(u"USB\\VID_FFFF&PID_FFFF\\NONE", driver), EnumDriver::NoKey);
}

TEST(SimulatedMachine, ClassListsCarryTheirPropertiesInOrder) {
    auto p = Platform(kMachine);
    auto ports = p->classes->PresentDevicesOfClass(u"ports");
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_TRUE(ports[0].friendlyName.exists);
    EXPECT_EQ(ports[0].friendlyName.text, u"Ostra USB Serial Port (COM5)");
    EXPECT_TRUE(ports[0].hardwareKeyOpened);
    EXPECT_EQ(ports[0].portName.text, u"COM5");
    EXPECT_FALSE(ports[1].friendlyName.exists);
    EXPECT_TRUE(ports[1].description.isText);
    EXPECT_EQ(ports[1].description.text, u"Ostra USB Serial Port");
    EXPECT_EQ(ports[1].portName.text, u"com7");

    auto modems = p->classes->PresentDevicesOfClass(u"Modem");
    ASSERT_EQ(modems.size(), 2u);
    EXPECT_FALSE(modems[1].description.exists);
    // Its device is absent, so the modem hangs below the root.
    DevNode parent = 0, root = 0;
    ASSERT_TRUE(p->tree->Parent(modems[1].node, parent));
    p->tree->Root(root);
    EXPECT_EQ(parent, root);

    EXPECT_TRUE(p->classes->PresentDevicesOfClass(u"Printer").empty());
}

TEST(SimulatedMachine, PresentDevicesByInstancePrefix) {
    auto p = Platform(kMachine);
    auto found = p->classes->PresentDevicesOf(u"usb\\vid_0421&pid_0630");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].driver.exists);
    EXPECT_EQ(found[0].driver.text, u"{36FC9E60-C465-11CF-8056-444553540000}\\0007");
    EXPECT_TRUE(p->classes->PresentDevicesOf(u"usb\\vid_0421&pid_0500").empty()); // Present=0
    EXPECT_EQ(p->classes->PresentDevicesOf(u"USB\\VID_0421").size(), 2u);
    EXPECT_TRUE(p->classes->PresentDevicesOf(u"").empty());
}

TEST(SimulatedMachine, ValuesTooLongForTheirBuffersAreNotRead) {
    const std::string longKey(200, 'k'); // 402 bytes with its terminator: more than 260
    auto p = Platform("[Machine]\nControllers=1\n[Controller1]\nRootHub=Hub1\n[Hub1]\nPorts=1\n"
                      "Port1=Device1\n[Device1]\nVendorID=0421\nProductID=0630\nDriverKey=" +
                      longKey + "\n");
    auto found = p->classes->PresentDevicesOf(u"USB\\VID_0421&PID_0630");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].driver.exists); // 402 bytes fit the 1,024-byte property buffer
    std::u16string id, driver;
    ASSERT_TRUE(p->tree->DeviceId(found[0].node, id));
    EXPECT_EQ(p->tree->EnumKeyDriver(id, driver), EnumDriver::NoValue);
}

TEST(SimulatedMachine, NodeLoopsAndDanglingParentsEndAtTheRoot) {
    auto p = Platform(R"(
[Machine]
Ports=2
Nodes=2
[Port1]
Class=Ports
PortName=COM9
Parent=Node1
[Node1]
Parent=Node2
[Node2]
Parent=Node1
[Port2]
Class=Ports
PortName=COM10
Parent=Device7
)");
    auto ports = p->classes->PresentDevicesOfClass(u"Ports");
    ASSERT_EQ(ports.size(), 2u);
    DevNode root;
    p->tree->Root(root);
    for (const auto& port : ports) {
        DevNode node = port.node;
        int steps = 0;
        while (p->tree->Parent(node, node)) {
            ASSERT_LT(++steps, 10) << "walk up does not end";
        }
        EXPECT_EQ(node, root);
    }
}
