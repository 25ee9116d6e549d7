#include "contracts/bt_device_info.h"

#include "contracts/utf16_field.h"

namespace hitched {
namespace {

// The six address bytes from the most significant (byte 5) down, as lower-case hex pairs.
std::u16string FormatAddress(uint64_t address, bool withColons) {
    static const char16_t kHex[] = u"0123456789abcdef";
    std::u16string text;
    for (int i = 5; i >= 0; --i) {
        const unsigned byte = static_cast<unsigned>((address >> (8 * i)) & 0xFF);
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
        if (withColons && i > 0) {
            text += u':';
        }
    }
    return text;
}

} // namespace

std::u16string FormatBtAddressDisplay(uint64_t address) {
    return FormatAddress(address, true);
}

std::u16string FormatBtAddressStored(uint64_t address) {
    return FormatAddress(address, false);
}

std::u16string BtDeviceLabel(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT& device) {
    const std::u16string_view name = FieldView(device.szName);
    return name.empty() ? FormatBtAddressDisplay(device.Address) : std::u16string(name);
}

} // namespace hitched
