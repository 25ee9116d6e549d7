// Drives the real KvInquireInfo.dll and communication.dll from the Windows side for the Wine
// tests, which put phonesim behind a COM port and read this program's one-line answers.
//   kvinquire_probe identify <type> <serial port> <modem port> [port text]
//   kvinquire_probe usbports
#include "detect/kv_inquire_phone.h"
#include "detect/usb_ports_lib.h"
#include "detect/utf16_field.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Utf8(std::u16string_view text) {
    const std::wstring wide(text.begin(), text.end());
    if (wide.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

int Identify(int argc, char** argv) {
    if (argc < 5) {
        return 2;
    }
    _PHONEDEVICEINFO_T record;
    std::memset(&record, 0, sizeof record);
    record.dwConnectType = static_cast<uint32_t>(std::atoi(argv[2]));
    record.nSerialPort = std::atoi(argv[3]);
    record.nModemPort = std::atoi(argv[4]);
    if (argc > 5) {
        hitched::CopyField(record.tszSerialPortName, hitched::AsciiToUtf16(argv[5]));
    }
    // Fields the library must leave alone.
    hitched::CopyField(record.tszDllName, u"untouched.dll");
    hitched::CopyField(record.tszDriverKey, u"{36FC9E60-C465-11CF-8056-444553540000}\\0007");
    const _PHONEDEVICEINFO_T before = record;

    CKvInquirePhone inquiry;
    const ULONGLONG start = GetTickCount64();
    const uint32_t rc = inquiry.HitchedPhoneInfo(record);
    const ULONGLONG elapsed = GetTickCount64() - start;

    const std::size_t from = offsetof(_PHONEDEVICEINFO_T, tszPhoneName);
    const std::size_t to = offsetof(_PHONEDEVICEINFO_T, tszDriverKey);
    const char* a = reinterpret_cast<const char*>(&record);
    const char* b = reinterpret_cast<const char*>(&before);
    const bool untouched =
        std::memcmp(a, b, from) == 0 && std::memcmp(a + to, b + to, sizeof record - to) == 0;

    std::printf("rc=%u ms=%llu manufacturer=%s model=%s imei=%s untouched=%d\n", rc,
                static_cast<unsigned long long>(elapsed),
                Utf8(hitched::FieldView(record.tszManufacturer)).c_str(),
                Utf8(hitched::FieldView(record.tszPhoneName)).c_str(),
                Utf8(hitched::FieldView(record.tszIMEI)).c_str(), untouched ? 1 : 0);
    return 0;
}

int UsbPorts() {
    char ports[hitched::kUsbPortsBufferBytes] = {};
    const bool ok = GetUsbPorts(ports);
    std::printf("ok=%d ports=%s\n", ok ? 1 : 0, ports);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "identify") == 0) {
        return Identify(argc, argv);
    }
    if (argc >= 2 && std::strcmp(argv[1], "usbports") == 0) {
        return UsbPorts();
    }
    std::fprintf(stderr, "usage: kvinquire_probe identify <type> <serial> <modem> [text]\n"
                         "       kvinquire_probe usbports\n");
    return 2;
}
