#pragma once
// What KVBTIsDeviceConnected answers for a device, from what the radio knows of it; the
// Windows radio and the simulated one both answer through it. A paired phone that no program
// holds open has no link, which is its normal state: it counts as connected while it answers
// a page, and a phone switched off or out of range answers UNKNOWN until it is back.
#include <cstdint>
#include <functional>

namespace hitched {

struct BtDeviceLink {
    bool known = false;    // the radio has a record of the address
    bool paired = false;   // paired with this PC
    bool linkOpen = false; // a link is up now (Windows: BLUETOOTH_DEVICE_INFO::fConnected)
};

// reachable pages the device, which costs the radio seconds: asked only for a paired device
// without a link.
int32_t BtConnectionStatus(const BtDeviceLink& device, const std::function<bool()>& reachable);

} // namespace hitched
