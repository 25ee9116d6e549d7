#include "contracts/utf16_field.h"

namespace hitched {

std::u16string AsciiToUtf16(std::string_view ascii) {
    std::u16string text;
    text.reserve(ascii.size());
    for (char c : ascii) {
        text += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return text;
}

} // namespace hitched
