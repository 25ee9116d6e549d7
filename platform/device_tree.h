#pragma once
// What detection asks the configuration manager and the device registry: the device tree,
// its nodes' IDs and properties, and the "Driver" value under
// HKLM\SYSTEM\CurrentControlSet\Enum\<device ID>.
#include <cstdint>
#include <string>

namespace hitched {

// A device-tree node (a DEVINST on Windows).
using DevNode = uint32_t;

enum class NodeProperty {
    Driver,    // CM_DRP_DRIVER
    DeviceDesc // CM_DRP_DEVICEDESC
};

// Reading the "Driver" value of a device's Enum key: the key may not open, or open without the
// value; the two end a walk up the tree differently.
enum class EnumDriver { NoKey, NoValue, Value };

class IDeviceTree {
public:
    virtual ~IDeviceTree() = default;
    virtual bool Root(DevNode& node) = 0;                         // CM_Locate_DevNodeW
    virtual bool FirstChild(DevNode parent, DevNode& child) = 0;  // CM_Get_Child
    virtual bool NextSibling(DevNode node, DevNode& sibling) = 0; // CM_Get_Sibling
    virtual bool Parent(DevNode node, DevNode& parent) = 0;       // CM_Get_Parent
    virtual bool DeviceId(DevNode node, std::u16string& id) = 0;  // CM_Get_Device_IDW
    virtual bool Property(DevNode node, NodeProperty which, std::u16string& value) = 0;
    // The Enum key's "Driver" value, read into a buffer of 260 bytes.
    virtual EnumDriver EnumKeyDriver(const std::u16string& deviceId, std::u16string& driver) = 0;
};

} // namespace hitched
