#pragma once
// The device-tree and device-class seams over the configuration manager, the Enum registry
// keys and SetupAPI.
#include "platform/device_classes.h"
#include "platform/device_tree.h"

namespace hitched {

class Win32DeviceTree : public IDeviceTree {
public:
    bool Root(DevNode& node) override;
    bool FirstChild(DevNode parent, DevNode& child) override;
    bool NextSibling(DevNode node, DevNode& sibling) override;
    bool Parent(DevNode node, DevNode& parent) override;
    bool DeviceId(DevNode node, std::u16string& id) override;
    bool Property(DevNode node, NodeProperty which, std::u16string& value) override;
    EnumDriver EnumKeyDriver(const std::u16string& deviceId, std::u16string& driver) override;
};

class Win32DeviceClasses : public IDeviceClasses {
public:
    std::vector<ClassDevice> PresentDevicesOfClass(std::u16string_view className) override;
    std::vector<EnumeratedDevice> PresentDevicesOf(std::u16string_view enumerator) override;
};

} // namespace hitched
