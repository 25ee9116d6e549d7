#pragma once
// The two phone records as every test builds them: start from a plain phone and change only
// the fields a test is about.
#include "contracts/phone_device_info.h"
#include "contracts/utf16_field.h"
#include "portservice/connected_phone.h"

#include <cstdint>
#include <string>

namespace hitched::test {

// A connected USB phone "name" on serialPort, made by Ostra, fully filled so that a field lost
// on the way (IMEI, library, stack, extra info) shows.
inline _CONNECTEDPHONE_T MakeConnectedPhone(const std::u16string& name,
                                            const std::u16string& serialPort,
                                            uint32_t type = kConnUsb) {
    _CONNECTEDPHONE_T phone{};
    phone.dwConnectType = type;
    CopyField(phone.dwSerialPort, serialPort);
    CopyField(phone.tszPhoneName, name);
    CopyField(phone.tszManufacturer, u"Ostra");
    CopyField(phone.tszIMEI, u"356938035643809");
    CopyField(phone.tszDllName, u"KvOstra");
    CopyField(phone.tszBTStackName, BluetoothStackName(0));
    phone.dwExtraInfo = 0x12345678;
    return phone;
}

// A detected USB cable device on COM<serialPort> (and COM<modemPort> when nonzero), with a
// phone's vendor and product IDs.
inline _PHONEDEVICEINFO_T MakeCableRecord(int32_t serialPort, int32_t modemPort = 0,
                                          uint16_t productId = 0x0630) {
    _PHONEDEVICEINFO_T record{};
    record.dwConnectType = kDeviceUsbCable;
    record.wVendorID = 0x0421;
    record.wProductID = productId;
    record.nSerialPort = serialPort;
    record.nModemPort = modemPort;
    if (serialPort != 0) {
        CopyField(record.tszSerialPortName, u"COM" + AsciiToUtf16(std::to_string(serialPort)));
    }
    if (modemPort != 0) {
        CopyField(record.tszModemPortName, u"COM" + AsciiToUtf16(std::to_string(modemPort)));
    }
    return record;
}

} // namespace hitched::test
