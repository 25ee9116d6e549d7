#include "detect/support_list.h"

#include <iterator>

#include "contracts/utf16_field.h"

namespace hitched {

namespace {

bool IsWhiteSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

} // namespace

std::u16string_view TrimWhiteSpace(std::u16string_view text) {
    while (!text.empty() && IsWhiteSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsWhiteSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::u16string ReadSupportEntry(IProfileReader& supportList, const _PHONEDEVICEINFO_T& record) {
    std::u16string value = supportList.GetString(FieldView(record.tszManufacturer),
                                                 FieldView(record.tszPhoneName), u"");
    // The profile functions fill a fixed buffer: longer values arrive cut.
    if (value.size() > kSupportValueChars - 1) {
        value.resize(kSupportValueChars - 1);
    }
    return value;
}

bool ApplySupportEntry(_PHONEDEVICEINFO_T& record, std::u16string_view value) {
    const std::size_t comma = value.find(u',');
    std::u16string dll(TrimWhiteSpace(value.substr(0, comma)));
    dll += u".dll";
    if (dll.size() >= std::size(record.tszDllName)) {
        return false; // cut, it would name another file, or none
    }
    CopyField(record.tszDllName, dll);
    ApplyDisplayName(record, value);
    return true;
}

void ApplyDisplayName(_PHONEDEVICEINFO_T& record, std::u16string_view value) {
    const std::size_t comma = value.find(u',');
    if (comma != std::u16string_view::npos) {
        const std::u16string_view display = TrimWhiteSpace(value.substr(comma + 1));
        if (!display.empty()) {
            CopyField(record.tszPhoneName, display);
        }
    }
}

} // namespace hitched
