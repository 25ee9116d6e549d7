#include "detect/dav_usb_ports.h"

#include "app/trace.h"
#include "contracts/utf16_field.h"

#include <cstring>
#include <vector>

namespace hitched {
namespace {

std::u16string WidenBytes(std::string_view ansi) {
    return std::u16string(ansi.begin(), ansi.end());
}

void AppendSpecialPort(CDeviceList& devices, uint64_t n, const std::u16string& name) {
    _PHONEDEVICEINFO_T& record = AppendNewDevice(devices);
    record.dwConnectType = kDeviceSpecialUsbPort;
    record.ullBTAddress = kSpecialUsbPortKeyBase + n;
    CopyField(record.tszSerialPortName, name);
}

} // namespace
} // namespace hitched

int AddSpecialUsbPorts(CDeviceList& devices, hitched::GetUsbPortsFunction getUsbPorts,
                       hitched::AnsiDecoder decode) {
    using namespace hitched;
    if (getUsbPorts == nullptr) {
        return 0;
    }
    // One byte more than the library may fill, so the text ends even if it does not.
    std::vector<char> buffer(kUsbPortsBufferBytes + 1, '\0');
    if (!getUsbPorts(buffer.data()) || buffer[0] == '\0') {
        return 0;
    }
    buffer[kUsbPortsBufferBytes] = '\0';
    if (decode == nullptr) {
        decode = WidenBytes;
    }
    std::string_view text(buffer.data());
    const std::u16string logged = decode(text);
    Trace(u"DAV USBPorts:%s", logged.c_str());
    uint64_t n = 1;
    for (std::size_t comma = text.find(','); comma != std::string_view::npos;
         comma = text.find(',')) {
        AppendSpecialPort(devices, n++, decode(text.substr(0, comma)));
        text.remove_prefix(comma + 1);
    }
    AppendSpecialPort(devices, n, decode(text));
    return 1;
}
