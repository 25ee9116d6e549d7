#pragma once
// The COM ports of the USB records: the present serial ports ("Ports") and modems ("Modem")
// are listed, each record takes the first of each kind that hangs below its USB device in the
// device tree (matched through the "Driver" values), and records left without a serial port
// are dropped.
#include "contracts/device_list.h"
#include "platform/detection_platform.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hitched {

constexpr uint8_t kPortKindSerial = 1;
constexpr uint8_t kPortKindModem = 2;
constexpr std::size_t kPortEntryNameChars = 63; // the entry's name is cut to this

// One present COM port of a class, kept for one pass only.
struct PortEntry {
    char16_t name[kPortEntryNameChars + 1]; // friendly name, else the device description
    int32_t port;                           // n of COMn, 1 to 256
    DevNode devNode;
    uint8_t kind; // kPortKindSerial or kPortKindModem
};

} // namespace hitched

// Counting mode when `entries` is null and `capacity` 0: `count` receives the number of
// qualifying devices of the class. Filling mode otherwise: at most `capacity` entries are
// filled and `count` receives how many. True when at least one entry was counted or filled.
bool GetPortList(std::u16string_view className, hitched::PortEntry* entries, uint32_t capacity,
                 uint32_t& count, hitched::IDeviceClasses& classes);

// <windows.h> (through winspool.h) defines EnumPorts as EnumPortsW. The name is kept: the macro
// is dropped where this header is seen, and a call renamed by a later <windows.h> still lands
// here through the overload below.
#ifdef EnumPorts
#undef EnumPorts
#endif

// Gives every record of the list its serial and modem port where one is found below its USB
// device, then deletes (and removes) the records without a serial port; the survivors keep
// their order.
void EnumPorts(CDeviceList& devices, hitched::DetectionPlatform& platform);

#ifdef _WIN32
inline void EnumPortsW(CDeviceList& devices, hitched::DetectionPlatform& platform) {
    EnumPorts(devices, platform);
}
#endif
