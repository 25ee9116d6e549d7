#pragma once
// The Bluetooth library's device record, laid out like the Windows BLUETOOTH_DEVICE_INFO so
// that the library can fill it straight from the Bluetooth API on 32 and 64 bits alike.
#include <cstddef>
#include <cstdint>
#include <string>

struct _KV_SYSTEMTIME { // SYSTEMTIME's layout
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};
static_assert(sizeof(_KV_SYSTEMTIME) == 16, "_KV_SYSTEMTIME size");

constexpr std::size_t KV_BLUETOOTH_MAX_NAME_SIZE = 248;

struct _KV_BLUETOOTH_DEVICE_INFO_STRUCT {
    uint32_t dwSize;
    uint32_t dwPadding; // where the Windows record has implicit alignment padding
    // Little-endian; the low six bytes are the device address. The whole value is the key of
    // the device in the Bluetooth device table. alignas keeps i686 in step with x86_64.
    alignas(8) uint64_t Address;
    uint32_t ulClassofDevice;
    uint32_t fConnected;
    uint32_t fRemembered;
    uint32_t fAuthenticated; // nonzero when paired with this PC
    _KV_SYSTEMTIME stLastSeen;
    _KV_SYSTEMTIME stLastUsed;
    char16_t szName[KV_BLUETOOTH_MAX_NAME_SIZE]; // empty when the device gave no name
};

static_assert(sizeof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT) == 560, "BT device info size");
static_assert(alignof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT) == 8, "BT device info alignment");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, dwSize) == 0, "dwSize");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, dwPadding) == 4, "dwPadding");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, Address) == 8, "Address");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, ulClassofDevice) == 16, "class");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, fConnected) == 20, "fConnected");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, fRemembered) == 24, "fRemembered");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, fAuthenticated) == 28, "paired");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, stLastSeen) == 32, "stLastSeen");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, stLastUsed) == 48, "stLastUsed");
static_assert(offsetof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, szName) == 64, "szName");
// The last field fills the record: a shorter name could otherwise hide in alignment padding.
static_assert(sizeof(_KV_BLUETOOTH_DEVICE_INFO_STRUCT::szName) == 496, "szName width");

// One row of the Bluetooth device table.
struct _BTDEVICEENTRY_T {
    _KV_BLUETOOTH_DEVICE_INFO_STRUCT stDeviceInfo;
    uint32_t bConnected; // 1 when the phone counts as connected and ready for use
};
// 564 bytes of fields; the 8-byte alignment of the address rounds the record up to 568.
static_assert(sizeof(_BTDEVICEENTRY_T) == 568, "_BTDEVICEENTRY_T size");
static_assert(offsetof(_BTDEVICEENTRY_T, stDeviceInfo) == 0, "stDeviceInfo");
static_assert(offsetof(_BTDEVICEENTRY_T, bConnected) == 560, "bConnected");
static_assert(sizeof(_BTDEVICEENTRY_T::bConnected) == 4, "bConnected width");

namespace hitched {

// "%02x:%02x:%02x:%02x:%02x:%02x", most significant of the six address bytes first: for display.
std::u16string FormatBtAddressDisplay(uint64_t address);
// "%02x%02x%02x%02x%02x%02x", the same order without separators: the stored form.
std::u16string FormatBtAddressStored(uint64_t address);
// How the wizard names a device: its name, or its display address when it gave none.
std::u16string BtDeviceLabel(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT& device);

} // namespace hitched
