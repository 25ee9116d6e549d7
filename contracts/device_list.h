#pragma once
// The device list of one detection pass: owning pointers to detected-device records, in the
// order the walk and the enumeration found them. Local to the pass; destroying it deletes
// every record.
#include "contracts/phone_device_info.h"

#include <memory>
#include <vector>

using CDeviceList = std::vector<std::unique_ptr<_PHONEDEVICEINFO_T>>;

namespace hitched {

// A new zero-filled record appended to the list; the caller fills it.
inline _PHONEDEVICEINFO_T& AppendNewDevice(CDeviceList& devices) {
    devices.push_back(std::make_unique<_PHONEDEVICEINFO_T>());
    return *devices.back();
}

} // namespace hitched
