#pragma once
// The port service's record of one connected phone, built from the detected-device record.
#include "contracts/phone_device_info.h"
#include "portservice/connected_phone.h"

namespace hitched {

// A zero-filled record: ports as "COM<n>" only when their number is not 0, the stack name for
// stack types 0..3, the texts and dwExtraInfo copied. A special USB port (type 4) travels as a
// USB cable phone whose serial port text is the port name the special-port library gave.
_CONNECTEDPHONE_T BuildConnectedPhone(const _PHONEDEVICEINFO_T& device);

} // namespace hitched
