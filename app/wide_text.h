#pragma once
// Windows side of the text boundary: the portable core speaks char16_t, the Windows API
// wchar_t; on Windows both are the same UTF-16 units, so converting is a copy.
#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be UTF-16 (Windows builds)");

namespace hitched {

inline std::wstring ToWide(std::u16string_view text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

inline std::u16string ToU16(std::wstring_view text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

} // namespace hitched
