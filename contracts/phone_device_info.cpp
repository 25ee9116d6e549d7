#include "contracts/phone_device_info.h"

namespace hitched {

std::optional<uint64_t> DeviceKey(const _PHONEDEVICEINFO_T& record) {
    switch (record.dwConnectType) {
    case kDeviceUsbCable: {
        const int32_t port = record.nSerialPort != 0 ? record.nSerialPort : record.nModemPort;
        return static_cast<uint64_t>(static_cast<int64_t>(port));
    }
    case kDeviceBluetooth:
    case kDeviceSpecialUsbPort:
        return record.ullBTAddress;
    default:
        return std::nullopt;
    }
}

} // namespace hitched
