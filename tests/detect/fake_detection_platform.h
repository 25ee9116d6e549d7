#pragma once
// Test helper: a detection platform whose answers a test sets field by field, including the
// failures the simulated machine never produces (a failing extended request, a node without
// an ID, a property of another type, a hardware key that does not open).
#include "platform/detection_platform.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hitched::test {

struct FakeMachine {
    // Device tree.
    struct Node {
        DevNode parent = 0;
        std::vector<DevNode> children;
        std::optional<std::u16string> deviceId; // none: CM_Get_Device_IDW fails
        std::optional<std::u16string> driver;   // CM_DRP_DRIVER and the Enum key's "Driver"
        bool enumKeyOpens = true;
        std::u16string description;
    };
    std::map<DevNode, Node> nodes;
    DevNode root = 1;

    // USB host.
    struct Controller {
        std::u16string driverKey; // empty: the request fails
        std::u16string rootHub;
    };
    std::map<std::u16string, Controller> controllers; // by name or interface path
    std::vector<std::u16string> interfaces;
    struct Port {
        UsbConnection connection;
        bool extendedFails = false;
        bool plainFails = false;
        std::u16string driverKey; // the attached device's
        std::u16string hubName;   // the attached hub's
    };
    struct Hub {
        uint32_t ports = 0;
        bool countFails = false;
        std::map<uint32_t, Port> plugged; // missing: nothing connected
    };
    std::map<std::u16string, Hub> hubs;

    // SetupAPI.
    std::map<std::u16string, std::vector<ClassDevice>> classes;
    struct Present {
        std::u16string instanceId;
        RegistryText driver;
        DevNode node = 0;
    };
    std::vector<Present> present;

    // What was asked.
    std::vector<std::u16string> openedControllers;
    std::vector<std::u16string> openedHubs;
    std::vector<std::pair<std::u16string, uint32_t>> queriedPorts; // hub, port
    int classQueries = 0;

    FakeMachine() { nodes[root] = Node{}; }

    DevNode AddNode(DevNode parent, std::u16string deviceId,
                    std::optional<std::u16string> driver = std::nullopt,
                    std::u16string description = u"") {
        const DevNode id = static_cast<DevNode>(nodes.size() + 1);
        Node n;
        n.parent = parent;
        n.deviceId = std::move(deviceId);
        n.driver = std::move(driver);
        n.description = std::move(description);
        nodes[id] = std::move(n);
        nodes[parent].children.push_back(id);
        return id;
    }

    // A controller reachable as \\.\HCD<n>, with its node in the tree and its root hub.
    void AddController(int n, std::u16string driverKey, std::u16string description,
                       std::u16string rootHub, uint32_t rootPorts) {
        AddNode(root, u"PCI\\CTRL" + std::u16string(1, char16_t(u'0' + n)), driverKey,
                std::move(description));
        controllers[u"\\\\.\\HCD" + std::u16string(1, char16_t(u'0' + n))] =
            Controller{driverKey, rootHub};
        if (!rootHub.empty()) {
            hubs[rootHub].ports = rootPorts;
        }
    }

    // A device plugged into a hub's port, present in SetupAPI with its driver key.
    void PlugDevice(const std::u16string& hub, uint32_t port, uint16_t vendor, uint16_t product,
                    std::u16string driverKey, std::u16string instanceId, bool present_ = true) {
        Port p;
        p.connection.connectionStatus = kUsbDeviceConnected;
        p.connection.idVendor = vendor;
        p.connection.idProduct = product;
        p.driverKey = driverKey;
        hubs[hub].plugged[port] = p;
        if (present_) {
            RegistryText driver;
            driver.exists = driver.isText = true;
            driver.text = driverKey;
            present.push_back(Present{std::move(instanceId), driver, 0});
        }
    }

    void PlugHub(const std::u16string& hub, uint32_t port, std::u16string child, uint32_t ports) {
        Port p;
        p.connection.connectionStatus = kUsbDeviceConnected;
        p.connection.deviceIsHub = true;
        p.hubName = child;
        hubs[hub].plugged[port] = p;
        hubs[child].ports = ports;
    }

    std::unique_ptr<DetectionPlatform> Platform();
};

// A present device of a class: friendly name (empty: none), description, PortName, node.
ClassDevice MakeClassDevice(DevNode node, std::u16string friendlyName, std::u16string description,
                            std::u16string portName);

} // namespace hitched::test
