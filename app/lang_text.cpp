#include "app/lang_text.h"

namespace hitched {
namespace {

void ReplaceAll(std::u16string& text, const std::u16string& from, char16_t to) {
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::u16string::npos) {
        text.replace(pos, from.size(), 1, to);
        ++pos;
    }
}

} // namespace

std::u16string UnescapeLangText(std::u16string text) {
    ReplaceAll(text, u"\\n", u'\n');
    ReplaceAll(text, u"\\r", u'\r');
    return text;
}

} // namespace hitched
