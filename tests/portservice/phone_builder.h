#pragma once
// Connected-phone records for the port service's tests.
#include <string>

#include "detect/utf16_field.h"
#include "portservice/connected_phone.h"

namespace hitched::test {

inline _CONNECTEDPHONE_T MakePhone(const std::u16string& name, const std::u16string& serialPort,
                                   uint32_t type = kConnUsb) {
    _CONNECTEDPHONE_T p{};
    p.dwConnectType = type;
    CopyField(p.tszPhoneName, name);
    CopyField(p.dwSerialPort, serialPort);
    CopyField(p.tszManufacturer, u"Ostra");
    CopyField(p.tszBTStackName, BluetoothStackName(0));
    return p;
}

} // namespace hitched::test
