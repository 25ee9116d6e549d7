#pragma once
// The connected-phone record: built by device detection, kept by the port service and sent to
// its clients byte for byte, so its layout is fixed (no reordering, no padding).
#include <cstddef>
#include <cstdint>

struct _CONNECTEDPHONE_T {
    uint32_t dwConnectType;     // kConnSerial .. kConnInfrared
    char16_t dwSerialPort[128]; // text despite the prefix: "COM5", empty when none
    char16_t dwModemPort[128];  // "COM%d", empty when none
    char16_t tszPhoneName[128]; // model name; carries port holds across rebuilds
    char16_t tszIMEI[128];
    char16_t tszDllName[128];
    char16_t tszBTAddress[128]; // 12 lower-case hex digits for a Bluetooth phone
    char16_t tszManufacturer[128];
    char16_t tszBTStackName[128]; // "Microsoft", "Widcomm", "IVT", "Toshiba" or empty
    uint32_t dwExtraInfo;         // carried unchanged, never interpreted
};

static_assert(sizeof(_CONNECTEDPHONE_T) == 2056, "_CONNECTEDPHONE_T size");
static_assert(offsetof(_CONNECTEDPHONE_T, dwConnectType) == 0, "dwConnectType");
static_assert(offsetof(_CONNECTEDPHONE_T, dwSerialPort) == 4, "dwSerialPort");
static_assert(offsetof(_CONNECTEDPHONE_T, dwModemPort) == 260, "dwModemPort");
static_assert(offsetof(_CONNECTEDPHONE_T, tszPhoneName) == 516, "tszPhoneName");
static_assert(offsetof(_CONNECTEDPHONE_T, tszIMEI) == 772, "tszIMEI");
static_assert(offsetof(_CONNECTEDPHONE_T, tszDllName) == 1028, "tszDllName");
static_assert(offsetof(_CONNECTEDPHONE_T, tszBTAddress) == 1284, "tszBTAddress");
static_assert(offsetof(_CONNECTEDPHONE_T, tszManufacturer) == 1540, "tszManufacturer");
static_assert(offsetof(_CONNECTEDPHONE_T, tszBTStackName) == 1796, "tszBTStackName");
static_assert(offsetof(_CONNECTEDPHONE_T, dwExtraInfo) == 2052, "dwExtraInfo");
// With the offsets above this leaves no padding: a narrower last field cannot hide in it.
static_assert(sizeof(_CONNECTEDPHONE_T::dwExtraInfo) == 4, "dwExtraInfo width");

// One row of the port service's phone table.
struct _PORTPHONEENTRY_T {
    uint32_t bUsed;  // 1 while a client holds this phone's serial port
    uint32_t sOwner; // the holding client, 0 when free; changes together with bUsed
    _CONNECTEDPHONE_T stPhoneInfo;
};

static_assert(sizeof(_PORTPHONEENTRY_T) == 2064, "_PORTPHONEENTRY_T size");
static_assert(offsetof(_PORTPHONEENTRY_T, bUsed) == 0, "bUsed");
static_assert(offsetof(_PORTPHONEENTRY_T, sOwner) == 4, "sOwner");
static_assert(offsetof(_PORTPHONEENTRY_T, stPhoneInfo) == 8, "stPhoneInfo");

namespace hitched {

// Connection-type codes, shared by dwConnectType, the completed page and the switch words.
constexpr uint32_t kConnSerial = 0;
constexpr uint32_t kConnUsb = 1;
constexpr uint32_t kConnBluetooth = 2;
constexpr uint32_t kConnInfrared = 3;

// Name of a Bluetooth stack type for tszBTStackName; empty for anything but 0..3.
const char16_t* BluetoothStackName(uint32_t stackType);

} // namespace hitched
