#pragma once
// What detection asks SetupAPI: the present devices of a class ("Ports", "Modem") with the
// properties and hardware-key value the port listing reads, and the present devices whose
// instance ID starts with a given text, with their driver property.
#include "platform/device_tree.h"

#include <string>
#include <string_view>
#include <vector>

namespace hitched {

// A registry property or value as read: it may be missing, or present with a non-text type.
struct RegistryText {
    bool exists = false;
    bool isText = false; // REG_SZ or REG_MULTI_SZ
    std::u16string text; // up to the first terminator; empty unless isText
};

struct ClassDevice {
    DevNode node = 0;
    RegistryText friendlyName;      // SPDRP_FRIENDLYNAME
    RegistryText description;       // SPDRP_DEVICEDESC
    bool hardwareKeyOpened = false; // SetupDiOpenDevRegKey(DICS_FLAG_GLOBAL, 0, DIREG_DEV)
    RegistryText portName;          // the hardware key's "PortName"
};

struct EnumeratedDevice {
    DevNode node = 0;
    RegistryText driver; // SPDRP_DRIVER, read into a buffer of 1,024 bytes
};

class IDeviceClasses {
public:
    virtual ~IDeviceClasses() = default;
    // Present devices of the class named (by its first class GUID), in SetupAPI order. Empty
    // when the name has no GUID or the set cannot be opened.
    virtual std::vector<ClassDevice> PresentDevicesOfClass(std::u16string_view className) = 0;
    // SetupDiGetClassDevsW(NULL, enumerator, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES), in order.
    virtual std::vector<EnumeratedDevice> PresentDevicesOf(std::u16string_view enumerator) = 0;
};

} // namespace hitched
