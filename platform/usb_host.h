#pragma once
// What the USB walk asks the machine: host controllers (as \\.\HCDn and as device
// interfaces), their driver keys and root hubs, and per hub its port count and what is plugged
// into each port. One call per I/O control of the Windows USB interface, so the walk above it
// is the same on Windows and on the simulated machine.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hitched {

// ConnectionStatus of a hub port: only a connected device is looked at.
constexpr uint32_t kUsbNoDeviceConnected = 0;
constexpr uint32_t kUsbDeviceConnected = 1;

// The fields the walk reads from a connection-information answer.
struct UsbConnection {
    uint32_t connectionStatus = kUsbNoDeviceConnected;
    bool deviceIsHub = false;
    uint16_t idVendor = 0;  // device descriptor
    uint16_t idProduct = 0; // device descriptor
};

class IUsbController {
public:
    virtual ~IUsbController() = default;
    // IOCTL_GET_HCD_DRIVERKEY_NAME; false when the request fails.
    virtual bool DriverKeyName(std::u16string& name) = 0;
    // IOCTL_USB_GET_ROOT_HUB_NAME; false when the request fails.
    virtual bool RootHubName(std::u16string& name) = 0;
};

class IUsbHub {
public:
    virtual ~IUsbHub() = default;
    // IOCTL_USB_GET_NODE_INFORMATION: bNumberOfPorts of the hub descriptor.
    virtual bool PortCount(uint32_t& ports) = 0;
    // IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, and the plain request the walk falls
    // back to when the extended one fails. Ports are numbered from 1.
    virtual bool ConnectionInformationEx(uint32_t port, UsbConnection& connection) = 0;
    virtual bool ConnectionInformation(uint32_t port, UsbConnection& connection) = 0;
    // IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME: the attached device's driver key.
    virtual bool ConnectionDriverKeyName(uint32_t port, std::u16string& name) = 0;
    // IOCTL_USB_GET_NODE_CONNECTION_NAME: the name of a hub attached to the port.
    virtual bool ConnectionName(uint32_t port, std::u16string& name) = 0;
};

class IUsbHost {
public:
    virtual ~IUsbHost() = default;
    // Opens a controller by device name ("\\.\HCD0") or device-interface path; null on failure.
    virtual std::unique_ptr<IUsbController> OpenController(const std::u16string& path) = 0;
    // Device paths of the present GUID_DEVINTERFACE_USB_HOST_CONTROLLER interfaces, in order.
    virtual std::vector<std::u16string> HostControllerInterfaces() = 0;
    // Opens "\\.\" followed by the hub's name; null on failure.
    virtual std::unique_ptr<IUsbHub> OpenHub(const std::u16string& hubName) = 0;
};

} // namespace hitched
