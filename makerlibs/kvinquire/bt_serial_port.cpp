#include "makerlibs/kvinquire/bt_serial_port.h"

#include <string>

namespace hitched {
namespace {

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Upper(text[i]) != Upper(prefix[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsBluetoothSerialPortOf(std::u16string_view instanceId, uint64_t address) {
    constexpr std::u16string_view kSerialService =
        u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}";
    if (!StartsWithIgnoringCase(instanceId, kSerialService)) {
        return false;
    }
    const std::size_t lastPart = instanceId.rfind(u'\\');
    std::u16string_view tail = instanceId.substr(lastPart + 1);
    // "...&<12 hex digits>_<suffix>": the address sits between the last '&' and the '_'.
    const std::size_t underscore = tail.rfind(u'_');
    if (underscore == std::u16string_view::npos) {
        return false;
    }
    tail = tail.substr(0, underscore);
    const std::size_t amp = tail.rfind(u'&');
    const std::u16string_view digits =
        amp == std::u16string_view::npos ? tail : tail.substr(amp + 1);
    if (digits.size() != 12) {
        return false;
    }
    static const char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string wanted;
    for (int shift = 44; shift >= 0; shift -= 4) {
        wanted += kHex[(address >> shift) & 0xF];
    }
    return (address & 0xFFFFFFFFFFFFull) != 0 && StartsWithIgnoringCase(digits, wanted);
}

} // namespace hitched
