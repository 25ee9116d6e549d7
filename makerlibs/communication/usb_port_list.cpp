#include "makerlibs/communication/usb_port_list.h"

#include "enumeration/port_enumeration.h"
#include "enumeration/usb_tree_walk.h"
#include "contracts/wide_text.h"

#include <set>

namespace hitched {
namespace {

constexpr uint16_t kDavVendor = 0x0421;
// A port sits a few levels below its USB device at most; a longer way up is a broken tree.
constexpr int kMaxTreeDepth = 8;

char16_t Upper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Upper(text[i]) != Upper(prefix[i])) {
            return false;
        }
    }
    return true;
}

// Four hexadecimal digits after `tag` somewhere in the first segment of the ID.
bool HexAfter(std::u16string_view segment, std::u16string_view tag, uint16_t& value) {
    for (std::size_t at = 0; at + tag.size() + 4 <= segment.size(); ++at) {
        if (at != 0 && segment[at - 1] != u'\\' && segment[at - 1] != u'&') {
            continue;
        }
        if (!StartsWithNoCase(segment.substr(at), tag)) {
            continue;
        }
        uint16_t v = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const char16_t c = Upper(segment[at + tag.size() + i]);
            int digit;
            if (c >= u'0' && c <= u'9') {
                digit = c - u'0';
            } else if (c >= u'A' && c <= u'F') {
                digit = c - u'A' + 10;
            } else {
                return false;
            }
            v = static_cast<uint16_t>(v * 16 + digit);
        }
        value = v;
        return true;
    }
    return false;
}

// The vendor and product of the first USB device at or above the node.
bool UsbAncestor(IDeviceTree& tree, DevNode node, uint16_t& vendor, uint16_t& product) {
    for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
        std::u16string id;
        if (tree.DeviceId(node, id) && ParseUsbInstanceId(id, vendor, product)) {
            return true;
        }
        if (!tree.Parent(node, node)) {
            return false;
        }
    }
    return false;
}

// The COM port numbers that the port listing gives to USB cable records on this machine.
std::set<int> CablePorts(DetectionPlatform& platform) {
    CDeviceList devices;
    EnumerateUsbDevices(devices, platform);
    EnumPorts(devices, platform);
    std::set<int> ports;
    for (const auto& record : devices) {
        ports.insert(record->nSerialPort);
        ports.insert(record->nModemPort);
    }
    ports.erase(0);
    return ports;
}

// n of a "COMn" name (any case), else 0.
int ComNumber(std::u16string_view name) {
    return name.size() > 3 && EqualsNoCase(name.substr(0, 3), u"com") ? WideToInt(name.substr(3))
                                                                      : 0;
}

} // namespace

std::string JoinPortNames(const std::vector<std::string>& names, std::size_t capacity) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : ",") + names[i];
    }
    return FitPortList(text, capacity);
}

std::string FitPortList(std::string_view text, std::size_t capacity) {
    if (capacity == 0) {
        return {};
    }
    if (text.size() <= capacity - 1) {
        return std::string(text);
    }
    const std::size_t comma = text.substr(0, capacity).rfind(',');
    return comma == std::string_view::npos ? std::string() : std::string(text.substr(0, comma));
}

bool ParseUsbInstanceId(std::u16string_view id, uint16_t& vendor, uint16_t& product) {
    if (!StartsWithNoCase(id, u"USB\\")) {
        return false;
    }
    std::u16string_view hardware = id.substr(4);
    hardware = hardware.substr(0, hardware.find(u'\\'));
    const std::u16string_view segment = id.substr(0, 4 + hardware.size());
    uint16_t v = 0;
    uint16_t p = 0;
    if (!HexAfter(segment, u"VID_", v) || !HexAfter(segment, u"PID_", p)) {
        return false;
    }
    vendor = v;
    product = p;
    return true;
}

std::vector<std::u16string> SpecialUsbPortNames(DetectionPlatform& platform,
                                                const std::function<bool(uint16_t)>& isDavProduct,
                                                std::u16string_view listed) {
    std::vector<std::u16string> names;
    if (platform.classes && platform.tree) {
        for (const ClassDevice& device : platform.classes->PresentDevicesOfClass(u"Ports")) {
            uint16_t vendor = 0;
            uint16_t product = 0;
            if (UsbAncestor(*platform.tree, device.node, vendor, product) && vendor == kDavVendor &&
                isDavProduct(product) && device.portName.isText && !device.portName.text.empty() &&
                device.portName.text.find(u',') == std::u16string::npos) {
                names.push_back(device.portName.text);
            }
        }
    }
    while (!listed.empty()) { // as it stands: empty names between commas are names too
        const std::size_t comma = listed.find(u',');
        names.emplace_back(listed.substr(0, comma));
        if (comma == std::u16string_view::npos) {
            break;
        }
        listed.remove_prefix(comma + 1);
        if (listed.empty()) {
            names.emplace_back();
        }
    }
    // One port, one record: a port the listing already gives a cable phone is not named again.
    const std::set<int> taken = CablePorts(platform);
    std::vector<std::u16string> kept;
    for (std::u16string& name : names) {
        if (taken.count(ComNumber(name)) == 0) {
            kept.push_back(std::move(name));
        }
    }
    return kept;
}

} // namespace hitched
