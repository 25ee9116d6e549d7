#pragma once
// The offsets table of every shared record, built at compile time from the compiler's own
// layout. The text is a constant in the test binary, so the table of a build that cannot run
// here (i686) can still be read out of the binary with `strings`.
#include <cstddef>

#include "detect/bt_device_info.h"
#include "detect/phone_device_info.h"
#include "portservice/connected_phone.h"

namespace hitched::layout {

struct Row {
    const char* name; // a record (size set) or one of its fields (offset set)
    bool isRecord;
    std::size_t offset;
    std::size_t size;
    std::size_t align;
};

#define HITCHED_RECORD(R)                                                                          \
    Row {                                                                                          \
#R, true, 0, sizeof(R), alignof(R)                                                         \
    }
#define HITCHED_FIELD(R, F)                                                                        \
    Row {                                                                                          \
#F, false, offsetof(R, F), sizeof(R::F), 0                                                 \
    }

constexpr Row kRows[] = {
    HITCHED_RECORD(_PHONEDEVICEINFO_T),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, dwConnectType),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, wVendorID),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, wProductID),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, wHubPort),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, wHubPortCopy),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, nSerialPort),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, nModemPort),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, dwBTStackType),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, dwExtraInfo),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, ullBTAddress),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszBTAddress),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszBTName),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszSerialPortName),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszModemPortName),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszPhoneName),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszManufacturer),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszIMEI),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszDriverKey),
    HITCHED_FIELD(_PHONEDEVICEINFO_T, tszDllName),
    HITCHED_RECORD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, dwSize),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, dwPadding),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, Address),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, ulClassofDevice),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, fConnected),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, fRemembered),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, fAuthenticated),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, stLastSeen),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, stLastUsed),
    HITCHED_FIELD(_KV_BLUETOOTH_DEVICE_INFO_STRUCT, szName),
    HITCHED_RECORD(_BTDEVICEENTRY_T),
    HITCHED_FIELD(_BTDEVICEENTRY_T, stDeviceInfo),
    HITCHED_FIELD(_BTDEVICEENTRY_T, bConnected),
    HITCHED_RECORD(_CONNECTEDPHONE_T),
    HITCHED_FIELD(_CONNECTEDPHONE_T, dwConnectType),
    HITCHED_FIELD(_CONNECTEDPHONE_T, dwSerialPort),
    HITCHED_FIELD(_CONNECTEDPHONE_T, dwModemPort),
    HITCHED_FIELD(_CONNECTEDPHONE_T, tszPhoneName),
    HITCHED_FIELD(_CONNECTEDPHONE_T, tszIMEI),
    HITCHED_FIELD(_CONNECTEDPHONE_T, tszDllName),
    HITCHED_FIELD(_CONNECTEDPHONE_T, tszBTAddress),
    HITCHED_FIELD(_CONNECTEDPHONE_T, tszManufacturer),
    HITCHED_FIELD(_CONNECTEDPHONE_T, tszBTStackName),
    HITCHED_FIELD(_CONNECTEDPHONE_T, dwExtraInfo),
    HITCHED_RECORD(_PORTPHONEENTRY_T),
    HITCHED_FIELD(_PORTPHONEENTRY_T, bUsed),
    HITCHED_FIELD(_PORTPHONEENTRY_T, sOwner),
    HITCHED_FIELD(_PORTPHONEENTRY_T, stPhoneInfo),
};

#undef HITCHED_RECORD
#undef HITCHED_FIELD

constexpr std::size_t kTextCapacity = 8192;

struct Text {
    char data[kTextCapacity] = {};
    std::size_t length = 0;

    constexpr void Put(const char* s) {
        while (*s) {
            data[length++] = *s++;
        }
    }
    constexpr void PutPadded(const char* s, std::size_t width) {
        std::size_t n = 0;
        for (; s[n]; ++n) {
            data[length++] = s[n];
        }
        for (; n < width; ++n) {
            data[length++] = ' ';
        }
    }
    constexpr void PutNumber(std::size_t value, std::size_t width) {
        char digits[20] = {};
        std::size_t n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
        for (std::size_t pad = n; pad < width; ++pad) {
            data[length++] = ' ';
        }
        while (n) {
            data[length++] = digits[--n];
        }
    }
};

// One line per record ("record <name> size <n> align <n>") and per field
// ("  <field> offset <n> size <n>"), between a begin and an end marker.
constexpr Text BuildTable() {
    Text t;
    t.Put("record layout begin\n");
    for (const Row& row : kRows) {
        if (row.isRecord) {
            t.Put("record ");
            t.PutPadded(row.name, 34);
            t.Put(" size ");
            t.PutNumber(row.size, 5);
            t.Put(" align ");
            t.PutNumber(row.align, 1);
        } else {
            t.Put("  ");
            t.PutPadded(row.name, 39);
            t.Put(" offset ");
            t.PutNumber(row.offset, 5);
            t.Put(" size ");
            t.PutNumber(row.size, 5);
        }
        t.Put("\n");
    }
    t.Put("record layout end\n");
    return t;
}

} // namespace hitched::layout
