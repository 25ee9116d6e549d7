#pragma once
// The detected-device record. The phone-inquiry library receives this very record, so its
// layout is fixed byte for byte and shared with that library.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace hitched {

// A little-endian 64-bit value on a 4-byte boundary. _PHONEDEVICEINFO_T has its u64 at offset
// 28; a plain uint64_t there would need #pragma pack, and every reference bound to the packed
// member (EXPECT_EQ, std::optional, std::min...) would then be misaligned. This type reads and
// assigns like a uint64_t, is 4-aligned by nature and keeps the record free of padding.
struct Packed64 {
    uint32_t lo;
    uint32_t hi;

    operator uint64_t() const { return (static_cast<uint64_t>(hi) << 32) | lo; }
    Packed64& operator=(uint64_t value) {
        lo = static_cast<uint32_t>(value);
        hi = static_cast<uint32_t>(value >> 32);
        return *this;
    }
};
static_assert(sizeof(Packed64) == 8 && alignof(Packed64) == 4, "Packed64 layout");

} // namespace hitched

struct _PHONEDEVICEINFO_T {
    uint32_t dwConnectType; // 1 USB cable phone, 2 Bluetooth phone, 4 special USB port
    uint16_t wVendorID;
    uint16_t wProductID;
    uint16_t wHubPort;
    uint16_t wHubPortCopy;
    int32_t nSerialPort; // n of COMn, 0 = none
    int32_t nModemPort;  // n of COMn, 0 = none
    uint32_t dwBTStackType;
    uint32_t dwExtraInfo;           // carried unchanged into the connected-phone record
    hitched::Packed64 ullBTAddress; // Bluetooth address, or the key of a special USB port
    char16_t tszBTAddress[20];
    char16_t tszBTName[64];
    char16_t tszSerialPortName[256];
    char16_t tszModemPortName[256];
    char16_t tszPhoneName[64];
    char16_t tszManufacturer[64];
    char16_t tszIMEI[30];
    char16_t tszDriverKey[256];
    char16_t tszDllName[80];
};

static_assert(sizeof(_PHONEDEVICEINFO_T) == 2216, "_PHONEDEVICEINFO_T size");
static_assert(alignof(_PHONEDEVICEINFO_T) == 4, "_PHONEDEVICEINFO_T alignment");
static_assert(offsetof(_PHONEDEVICEINFO_T, dwConnectType) == 0, "dwConnectType");
static_assert(offsetof(_PHONEDEVICEINFO_T, wVendorID) == 4, "wVendorID");
static_assert(offsetof(_PHONEDEVICEINFO_T, wProductID) == 6, "wProductID");
static_assert(offsetof(_PHONEDEVICEINFO_T, wHubPort) == 8, "wHubPort");
static_assert(offsetof(_PHONEDEVICEINFO_T, wHubPortCopy) == 10, "wHubPortCopy");
static_assert(offsetof(_PHONEDEVICEINFO_T, nSerialPort) == 12, "nSerialPort");
static_assert(offsetof(_PHONEDEVICEINFO_T, nModemPort) == 16, "nModemPort");
static_assert(offsetof(_PHONEDEVICEINFO_T, dwBTStackType) == 20, "dwBTStackType");
static_assert(offsetof(_PHONEDEVICEINFO_T, dwExtraInfo) == 24, "dwExtraInfo");
static_assert(offsetof(_PHONEDEVICEINFO_T, ullBTAddress) == 28, "ullBTAddress");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszBTAddress) == 36, "tszBTAddress");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszBTName) == 76, "tszBTName");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszSerialPortName) == 204, "tszSerialPortName");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszModemPortName) == 716, "tszModemPortName");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszPhoneName) == 1228, "tszPhoneName");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszManufacturer) == 1356, "tszManufacturer");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszIMEI) == 1484, "tszIMEI");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszDriverKey) == 1544, "tszDriverKey");
static_assert(offsetof(_PHONEDEVICEINFO_T, tszDllName) == 2056, "tszDllName");
// The field widths add up to the record: a narrower field cannot hide in alignment padding.
static_assert(
    sizeof(_PHONEDEVICEINFO_T::dwConnectType) + sizeof(_PHONEDEVICEINFO_T::wVendorID) +
            sizeof(_PHONEDEVICEINFO_T::wProductID) + sizeof(_PHONEDEVICEINFO_T::wHubPort) +
            sizeof(_PHONEDEVICEINFO_T::wHubPortCopy) + sizeof(_PHONEDEVICEINFO_T::nSerialPort) +
            sizeof(_PHONEDEVICEINFO_T::nModemPort) + sizeof(_PHONEDEVICEINFO_T::dwBTStackType) +
            sizeof(_PHONEDEVICEINFO_T::dwExtraInfo) + sizeof(_PHONEDEVICEINFO_T::ullBTAddress) +
            sizeof(_PHONEDEVICEINFO_T::tszBTAddress) + sizeof(_PHONEDEVICEINFO_T::tszBTName) +
            sizeof(_PHONEDEVICEINFO_T::tszSerialPortName) +
            sizeof(_PHONEDEVICEINFO_T::tszModemPortName) +
            sizeof(_PHONEDEVICEINFO_T::tszPhoneName) + sizeof(_PHONEDEVICEINFO_T::tszManufacturer) +
            sizeof(_PHONEDEVICEINFO_T::tszIMEI) + sizeof(_PHONEDEVICEINFO_T::tszDriverKey) +
            sizeof(_PHONEDEVICEINFO_T::tszDllName) ==
        sizeof(_PHONEDEVICEINFO_T),
    "_PHONEDEVICEINFO_T field widths");

namespace hitched {

// dwConnectType values of a detected device.
constexpr uint32_t kDeviceUsbCable = 1;
constexpr uint32_t kDeviceBluetooth = 2;
constexpr uint32_t kDeviceSpecialUsbPort = 4;

// The n-th special USB port (n from 1) is keyed 99999999 + n.
constexpr uint64_t kSpecialUsbPortKeyBase = 99999999;

// Port friendly names are cut to this many characters when written into the record.
constexpr std::size_t kMaxPortNameChars = 64;

// The key a record is stored under in the device tables: a cable phone's serial port number
// (its modem port number when it has no serial port), widened with its sign; the address for
// Bluetooth phones and special USB ports. Any other type has no key.
std::optional<uint64_t> DeviceKey(const _PHONEDEVICEINFO_T& record);

} // namespace hitched
