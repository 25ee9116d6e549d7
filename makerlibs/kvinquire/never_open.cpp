#include "makerlibs/kvinquire/never_open.h"

namespace hitched {
namespace {

void AppendHex4(std::u16string& out, uint16_t value) {
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += kDigits[(value >> shift) & 0xF];
    }
}

} // namespace

std::u16string VendorKey(uint16_t vendorId) {
    std::u16string key;
    AppendHex4(key, vendorId);
    return key;
}

std::u16string ProductKey(uint16_t vendorId, uint16_t productId) {
    std::u16string key = VendorKey(vendorId) + u":";
    AppendHex4(key, productId);
    return key;
}

bool IsNeverOpened(uint16_t vendorId, uint16_t productId, const NeverOpenSetting& setting) {
    if (!setting) {
        return false;
    }
    const int product = setting(ProductKey(vendorId, productId));
    if (product >= 0) {
        return product != 0;
    }
    return setting(VendorKey(vendorId)) > 0;
}

} // namespace hitched
