#include "makerlibs/kvinquire/inquiry_record.h"

#include "contracts/utf16_field.h"

#include <algorithm>

namespace hitched {
namespace {

void AddPort(std::vector<int>& ports, int port) {
    if (port >= 1 && port <= 256 && std::find(ports.begin(), ports.end(), port) == ports.end()) {
        ports.push_back(port);
    }
}

uint32_t Clamped(int value, uint32_t fallback, uint32_t low, uint32_t high) {
    if (value < 0) {
        return fallback;
    }
    return std::clamp<uint32_t>(static_cast<uint32_t>(value), low, high);
}

} // namespace

int ComPortNumber(std::u16string_view text) {
    if (text.size() < 4 || text.size() > 6) {
        return 0;
    }
    const char16_t* com = u"com";
    for (int i = 0; i < 3; ++i) {
        const char16_t c = text[i];
        if (c != com[i] && c != com[i] - 32) {
            return 0;
        }
    }
    int n = 0;
    for (std::size_t i = 3; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return 0;
        }
        n = n * 10 + (text[i] - u'0');
    }
    return (n >= 1 && n <= 256 && text[3] != u'0') ? n : 0;
}

std::vector<int> PortsToAsk(const _PHONEDEVICEINFO_T& record) {
    std::vector<int> ports;
    AddPort(ports, record.nSerialPort);
    if (record.dwConnectType == kDeviceSpecialUsbPort) {
        AddPort(ports, ComPortNumber(FieldView(record.tszSerialPortName)));
    }
    AddPort(ports, record.nModemPort);
    return ports;
}

void StoreIdentity(_PHONEDEVICEINFO_T& record, const PhoneIdentity& identity) {
    CopyField(record.tszManufacturer, identity.manufacturer);
    CopyField(record.tszPhoneName, identity.model);
    CopyField(record.tszIMEI, identity.imei);
}

std::u16string DavKey(uint16_t productId) {
    static const char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string key;
    for (int shift = 12; shift >= 0; shift -= 4) {
        key.push_back(kHex[(productId >> shift) & 0xF]);
    }
    return key;
}

AtTimings TimingsFromSettings(int probeTimeoutMs, int probeAttempts, int commandTimeoutMs,
                              int budgetMs) {
    const AtTimings defaults;
    AtTimings t;
    t.probeTimeoutMs = Clamped(probeTimeoutMs, defaults.probeTimeoutMs, 50, 5000);
    t.probeAttempts = Clamped(probeAttempts, defaults.probeAttempts, 1, 3);
    t.commandTimeoutMs = Clamped(commandTimeoutMs, defaults.commandTimeoutMs, 100, 10000);
    t.budgetMs = Clamped(budgetMs, defaults.budgetMs, 200, 30000);
    return t;
}

} // namespace hitched
