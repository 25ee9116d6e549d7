#include "enumeration/usb_tree_walk.h"

#include "contracts/utf16_field.h"
#include "contracts/wide_text.h"

#include <utility>
#include <vector>

namespace hitched {
namespace {

constexpr int kNumberedControllers = 10; // \\.\HCD0 to \\.\HCD9
// USB allows seven tiers; a deeper chain can only come from a broken answer, and stopping
// there keeps such an answer from recursing without end.
constexpr int kMaxHubDepth = 16;
// A device tree larger than this is a broken answer; the search gives up instead of looping.
constexpr std::size_t kMaxTreeNodes = 1000000;

std::u16string ControllerDeviceName(int n) {
    return u"\\\\.\\HCD" + AsciiToUtf16(std::to_string(n));
}

// The node whose Driver property names the controller, searched depth-first from the root.
bool FindNodeByDriver(IDeviceTree& tree, std::u16string_view driverKey, DevNode& found) {
    DevNode root = 0;
    if (!tree.Root(root)) {
        return false;
    }
    std::vector<DevNode> pending{root};
    std::size_t visited = 0;
    while (!pending.empty() && visited++ < kMaxTreeNodes) {
        const DevNode node = pending.back();
        pending.pop_back();
        std::u16string driver;
        if (tree.Property(node, NodeProperty::Driver, driver) && EqualsNoCase(driver, driverKey)) {
            found = node;
            return true;
        }
        // Children before the next sibling: push the sibling first.
        DevNode next = 0;
        if (node != root && tree.NextSibling(node, next)) {
            pending.push_back(next);
        }
        DevNode child = 0;
        if (tree.FirstChild(node, child)) {
            pending.push_back(child);
        }
    }
    return false;
}

// Among the present devices whose instance ID begins with the vendor and product prefix, the
// first whose driver property names the port's driver key.
bool DeviceNodeFound(IDeviceClasses& classes, std::u16string_view prefix,
                     std::u16string_view driverKey) {
    for (const EnumeratedDevice& device : classes.PresentDevicesOf(prefix)) {
        if (device.driver.exists && device.driver.isText &&
            EqualsNoCase(device.driver.text, driverKey)) {
            return true;
        }
    }
    return false;
}

class UsbTreeWalk {
public:
    UsbTreeWalk(CDeviceList& devices, DetectionPlatform& platform)
        : m_devices(devices), m_platform(platform) {}

    void Run() {
        for (int n = 0; n < kNumberedControllers; ++n) {
            WalkController(ControllerDeviceName(n));
        }
        for (const std::u16string& path : m_platform.usb->HostControllerInterfaces()) {
            WalkController(path);
        }
    }

private:
    void WalkController(const std::u16string& path) {
        std::unique_ptr<IUsbController> controller = m_platform.usb->OpenController(path);
        if (!controller) {
            return;
        }
        std::u16string driverKey;
        controller->DriverKeyName(driverKey);
        std::u16string description;
        DevNode node = 0;
        if (!driverKey.empty() && FindNodeByDriver(*m_platform.tree, driverKey, node)) {
            m_platform.tree->Property(node, NodeProperty::DeviceDesc, description);
        }
        std::u16string rootHub;
        controller->RootHubName(rootHub);
        if (driverKey.empty() || description.empty() || rootHub.empty()) {
            return;
        }
        WalkHub(rootHub, 0);
    }

    void WalkHub(const std::u16string& hubName, int depth) {
        if (depth > kMaxHubDepth) {
            return;
        }
        std::unique_ptr<IUsbHub> hub = m_platform.usb->OpenHub(hubName);
        uint32_t ports = 0;
        if (!hub || !hub->PortCount(ports)) {
            return;
        }
        for (uint32_t port = 1; port <= ports; ++port) {
            WalkPort(*hub, port, depth);
        }
    }

    void WalkPort(IUsbHub& hub, uint32_t port, int depth) {
        UsbConnection connection;
        if (!hub.ConnectionInformationEx(port, connection) &&
            !hub.ConnectionInformation(port, connection)) {
            return;
        }
        if (connection.connectionStatus != kUsbDeviceConnected) {
            return;
        }
        if (connection.deviceIsHub) {
            std::u16string childHub;
            if (hub.ConnectionName(port, childHub) && !childHub.empty()) {
                WalkHub(childHub, depth + 1);
            }
            return;
        }
        std::u16string driverKey;
        hub.ConnectionDriverKeyName(port, driverKey);
        const std::u16string prefix = UsbInstancePrefix(connection.idVendor, connection.idProduct);
        if (!DeviceNodeFound(*m_platform.classes, prefix, driverKey)) {
            return;
        }
        // Asked again for the record, as the hub answers it now.
        driverKey.clear();
        hub.ConnectionDriverKeyName(port, driverKey);
        _PHONEDEVICEINFO_T& record = AppendNewDevice(m_devices);
        record.dwConnectType = kDeviceUsbCable;
        record.wHubPort = static_cast<uint16_t>(port);
        record.wHubPortCopy = static_cast<uint16_t>(port);
        record.wVendorID = connection.idVendor;
        record.wProductID = connection.idProduct;
        CopyField(record.tszDriverKey, driverKey);
    }

    CDeviceList& m_devices;
    DetectionPlatform& m_platform;
};

} // namespace

std::u16string UsbInstancePrefix(uint16_t vendorId, uint16_t productId) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text = "usb\\vid_";
    auto hex4 = [&](uint16_t value) {
        for (int shift = 12; shift >= 0; shift -= 4) {
            text.push_back(kDigits[(value >> shift) & 0xF]);
        }
    };
    hex4(vendorId);
    text += "&pid_";
    hex4(productId);
    return AsciiToUtf16(text);
}

} // namespace hitched

void EnumerateUsbDevices(CDeviceList& devices, hitched::DetectionPlatform& platform) {
    if (!platform.usb || !platform.tree || !platform.classes) {
        return;
    }
    hitched::UsbTreeWalk(devices, platform).Run();
}
