#pragma once
// The device tables of the main dialog: detected devices by key, Bluetooth devices by address.
#include "contracts/bt_device_info.h"
#include "detect/owning_key_map.h"
#include "contracts/phone_device_info.h"

// Connected-phone table and the fresh table of one detection pass.
class CDeviceMap : public hitched::OwningKeyMap<_PHONEDEVICEINFO_T> {};

// Bluetooth devices keyed by their 64-bit address.
class CBtDeviceMap : public hitched::OwningKeyMap<_BTDEVICEENTRY_T> {
public:
    // Present key: the old entry is deleted and a copy of the new one stored. Absent: nothing.
    bool Replace(uint64_t key, const _BTDEVICEENTRY_T& entry) { return ReplaceCopy(key, entry); }
};
