#include "enumeration/port_enumeration.h"

#include "contracts/utf16_field.h"
#include "contracts/wide_text.h"

#include <algorithm>
#include <vector>

namespace hitched {
namespace {

constexpr int kMinComPort = 1;
constexpr int kMaxComPort = 256;
// The walk up from a port ends at the root; a chain longer than any real tree can only come
// from a broken answer (a loop), and ending there keeps the pass from hanging.
constexpr int kMaxAncestors = 256;

// The entry's name: the friendly name, else the description; a property of another type than
// text rules the device out.
bool EntryName(const ClassDevice& device, std::u16string& name) {
    const RegistryText& source =
        device.friendlyName.exists ? device.friendlyName : device.description;
    if (!source.exists) {
        name.clear();
        return true;
    }
    if (!source.isText) {
        return false;
    }
    name = source.text;
    return true;
}

// n of a "COMn" port name (any case, n in 1 to 256), or 0 when the name is no such port.
int ComPortNumber(const RegistryText& portName) {
    if (!portName.exists || !portName.isText || portName.text.size() < 4 ||
        !EqualsNoCase(portName.text.substr(0, 3), u"com")) {
        return 0;
    }
    const int n = WideToInt(std::u16string_view(portName.text).substr(3));
    return (n >= kMinComPort && n <= kMaxComPort) ? n : 0;
}

std::vector<PortEntry> ListClass(std::u16string_view className, IDeviceClasses& classes) {
    std::vector<PortEntry> list;
    uint32_t count = 0;
    if (!GetPortList(className, nullptr, 0, count, classes)) {
        return list;
    }
    list.resize(count);
    uint32_t filled = 0;
    GetPortList(className, list.data(), count, filled, classes);
    list.resize(std::min(filled, count));
    return list;
}

// Whether the entry's node or one of its ancestors carries the record's driver key.
bool HangsBelow(const PortEntry& entry, std::u16string_view driverKey, IDeviceTree& tree) {
    DevNode node = entry.devNode;
    for (int step = 0; step < kMaxAncestors; ++step) {
        std::u16string id;
        if (tree.DeviceId(node, id)) {
            std::u16string driver;
            switch (tree.EnumKeyDriver(id, driver)) {
            case EnumDriver::NoValue:
                return false; // the walk ends at a node without a readable Driver value
            case EnumDriver::Value:
                if (driver == driverKey) {
                    return true;
                }
                break;
            case EnumDriver::NoKey:
                break;
            }
        }
        DevNode parent = 0;
        if (!tree.Parent(node, parent)) {
            return false;
        }
        node = parent;
    }
    return false;
}

// The first entry of the list below the record's USB device, or null.
const PortEntry* FirstMatch(const std::vector<PortEntry>& list, const _PHONEDEVICEINFO_T& record,
                            IDeviceTree& tree) {
    const std::u16string_view driverKey = FieldView(record.tszDriverKey);
    for (const PortEntry& entry : list) {
        if (HangsBelow(entry, driverKey, tree)) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace
} // namespace hitched

bool GetPortList(std::u16string_view className, hitched::PortEntry* entries, uint32_t capacity,
                 uint32_t& count, hitched::IDeviceClasses& classes) {
    using namespace hitched;
    const bool counting = entries == nullptr && capacity == 0;
    const uint8_t kind = className == u"Modem" ? kPortKindModem : kPortKindSerial;
    count = 0;
    for (const ClassDevice& device : classes.PresentDevicesOfClass(className)) {
        if (!counting && (entries == nullptr || count >= capacity)) {
            break;
        }
        std::u16string name;
        if (!EntryName(device, name) || !device.hardwareKeyOpened) {
            continue;
        }
        const int port = ComPortNumber(device.portName);
        if (port == 0) {
            continue;
        }
        if (!counting) {
            PortEntry& entry = entries[count];
            CopyField(entry.name, name, kPortEntryNameChars);
            entry.port = port;
            entry.devNode = device.node;
            entry.kind = kind;
        }
        ++count;
    }
    return count > 0;
}

void EnumPorts(CDeviceList& devices, hitched::DetectionPlatform& platform) {
    using namespace hitched;
    if (!platform.classes || !platform.tree) {
        return;
    }
    const std::vector<PortEntry> serial = ListClass(u"Ports", *platform.classes);
    const std::vector<PortEntry> modem = ListClass(u"Modem", *platform.classes);
    for (std::size_t i = 0; i < devices.size();) {
        _PHONEDEVICEINFO_T& record = *devices[i];
        const PortEntry* serialPort = FirstMatch(serial, record, *platform.tree);
        if (serialPort != nullptr) {
            record.nSerialPort = serialPort->port;
            CopyField(record.tszSerialPortName, FieldView(serialPort->name), kMaxPortNameChars);
        }
        const PortEntry* modemPort = FirstMatch(modem, record, *platform.tree);
        if (modemPort != nullptr) {
            record.nModemPort = modemPort->port;
            CopyField(record.tszModemPortName, FieldView(modemPort->name), kMaxPortNameChars);
        }
        if ((serialPort == nullptr && modemPort == nullptr) || record.nSerialPort == 0) {
            devices.erase(devices.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}
