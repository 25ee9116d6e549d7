// Runs the real KvInquireInfo.dll's HitchedPhoneInfo for the Wine test, which puts phonesim
// behind COM ports: one record per argument, one answer line per record, in one process.
//   kvinquire_probe <type>:<serial port>:<modem port> ...
#include "detect/kv_inquire_phone.h"
#include "detect/utf16_field.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        _PHONEDEVICEINFO_T record{};
        if (std::sscanf(argv[i], "%u:%d:%d", &record.dwConnectType, &record.nSerialPort,
                        &record.nModemPort) != 3) {
            std::fprintf(stderr, "usage: kvinquire_probe <type>:<serial>:<modem> ...\n");
            return 2;
        }
        const ULONGLONG start = ::GetTickCount64();
        const uint32_t rc = CKvInquirePhone().HitchedPhoneInfo(record);
        const auto ascii = [](std::u16string_view field) { // the identities asked are ASCII
            return std::string(field.begin(), field.end());
        };
        std::printf("%s rc=%u ms=%llu identity=%s/%s/%s\n", argv[i], rc,
                    static_cast<unsigned long long>(::GetTickCount64() - start),
                    ascii(hitched::FieldView(record.tszManufacturer)).c_str(),
                    ascii(hitched::FieldView(record.tszPhoneName)).c_str(),
                    ascii(hitched::FieldView(record.tszIMEI)).c_str());
        std::fflush(stdout);
    }
    return 0;
}
