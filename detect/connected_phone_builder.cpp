#include "detect/connected_phone_builder.h"

#include "contracts/utf16_field.h"

#include <string>

namespace hitched {

namespace {

template <std::size_t N> void WriteComPort(char16_t (&field)[N], int32_t number) {
    if (number != 0) {
        CopyField(field, AsciiToUtf16("COM" + std::to_string(number)));
    }
}

} // namespace

_CONNECTEDPHONE_T BuildConnectedPhone(const _PHONEDEVICEINFO_T& device) {
    _CONNECTEDPHONE_T phone{};
    phone.dwConnectType = device.dwConnectType;
    WriteComPort(phone.dwSerialPort, device.nSerialPort);
    WriteComPort(phone.dwModemPort, device.nModemPort);
    CopyField(phone.tszBTStackName, BluetoothStackName(device.dwBTStackType));
    phone.dwExtraInfo = device.dwExtraInfo;
    CopyField(phone.tszBTAddress, device.tszBTAddress);
    CopyField(phone.tszIMEI, device.tszIMEI);
    CopyField(phone.tszPhoneName, device.tszPhoneName);
    CopyField(phone.tszManufacturer, device.tszManufacturer);
    CopyField(phone.tszDllName, device.tszDllName);
    if (device.dwConnectType == kDeviceSpecialUsbPort) {
        phone.dwConnectType = kConnUsb;
        CopyField(phone.dwSerialPort, device.tszSerialPortName);
    }
    return phone;
}

} // namespace hitched
