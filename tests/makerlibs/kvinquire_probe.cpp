// Runs the real KvInquireInfo.dll's HitchedPhoneInfo for the Wine test, which puts phonesim
// behind COM ports: one record per argument, one answer line per record, in one process.
//   kvinquire_probe <type>:<serial port>:<modem port>[:<vendor ID>:<product ID>] ...
// (IDs in hexadecimal). The time of each call is given in milliseconds and
// microseconds.
#include "contracts/kv_inquire_phone.h"
#include "contracts/utf16_field.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        _PHONEDEVICEINFO_T record{};
        unsigned vendor = 0;
        unsigned product = 0;
        const int fields = std::sscanf(argv[i], "%u:%d:%d:%x:%x", &record.dwConnectType,
                                 &record.nSerialPort, &record.nModemPort, &vendor, &product);
        if (fields != 3 && fields != 5) {
            std::fprintf(stderr, "usage: kvinquire_probe <type>:<serial>:<modem>[:<vid>:<pid>]\n");
            return 2;
        }
        record.wVendorID = static_cast<uint16_t>(vendor);
        record.wProductID = static_cast<uint16_t>(product);
        LARGE_INTEGER frequency{};
        LARGE_INTEGER start{};
        LARGE_INTEGER end{};
        ::QueryPerformanceFrequency(&frequency);
        ::QueryPerformanceCounter(&start);
        const uint32_t rc = CKvInquirePhone().HitchedPhoneInfo(record);
        ::QueryPerformanceCounter(&end);
        const auto us = static_cast<unsigned long long>((end.QuadPart - start.QuadPart) * 1000000 /
                                                        frequency.QuadPart);
        const auto ascii = [](std::u16string_view field) { // the identities asked are ASCII
            return std::string(field.begin(), field.end());
        };
        std::printf("%s rc=%u ms=%llu us=%llu identity=%s/%s/%s\n", argv[i], rc, us / 1000, us,
                    ascii(hitched::FieldView(record.tszManufacturer)).c_str(),
                    ascii(hitched::FieldView(record.tszPhoneName)).c_str(),
                    ascii(hitched::FieldView(record.tszIMEI)).c_str());
        std::fflush(stdout);
    }
    return 0;
}
