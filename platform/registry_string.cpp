#include "platform/registry_string.h"

namespace hitched {

std::u16string RegistryString(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::u16string text;
    for (std::size_t i = 0; bytes != nullptr && i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == u'\0') {
            break;
        }
        text += unit;
    }
    return text;
}

} // namespace hitched
