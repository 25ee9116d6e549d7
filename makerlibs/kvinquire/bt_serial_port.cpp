#include "makerlibs/kvinquire/bt_serial_port.h"

#include "contracts/bt_device_info.h"
#include "contracts/wide_text.h"

namespace hitched {
namespace {

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
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
    // digits.size() == 12 already, so equality is the whole comparison.
    return (address & 0xFFFFFFFFFFFFull) != 0 &&
           EqualsNoCase(digits, FormatBtAddressStored(address));
}

} // namespace hitched
