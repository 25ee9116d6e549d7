#include "makerlibs/kvbluetooth/bt_connection_rule.h"

#include "contracts/bluetooth_detect_obj.h"

namespace hitched {

int32_t BtConnectionStatus(const BtDeviceLink& device, const std::function<bool()>& reachable) {
    if (!device.known || !device.paired) {
        return KVBT_DEV_STATUS_DISCONNECTED; // nothing to reach it over until it is paired again
    }
    if (device.linkOpen || reachable()) {
        return KVBT_DEV_STATUS_CONNECTED;
    }
    return KVBT_DEV_STATUS_UNKNOWN;
}

} // namespace hitched
