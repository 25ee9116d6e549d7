#pragma once
// The USB tree walk: every host controller and hub is asked what hangs on its ports, and each
// attached device that is not a hub and whose device node can be found becomes one
// detected-device record (vendor and product IDs, hub port, driver key) appended to the list.
// Controllers, hubs and ports that cannot be opened or queried are skipped silently.
#include "contracts/device_list.h"
#include "platform/detection_platform.h"

#include <cstdint>
#include <string>

namespace hitched {

// The prefix of the instance IDs a device with these IDs has: "usb\vid_0421&pid_0630".
std::u16string UsbInstancePrefix(uint16_t vendorId, uint16_t productId);

} // namespace hitched

// Appends one record of type 1 per attached non-hub USB device found (discovery order: the
// controllers \\.\HCD0..9 first, then the host-controller interfaces, so a controller
// reachable both ways is walked, and its devices appended, twice).
void EnumerateUsbDevices(CDeviceList& devices, hitched::DetectionPlatform& platform);
