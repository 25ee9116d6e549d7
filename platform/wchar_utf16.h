#pragma once
// The one place where the portable core's UTF-16 text (char16_t) meets the Windows API's
// wchar_t. Both are 16-bit UTF-16 units on Windows, so the conversion is a copy (strings) or a
// reinterpretation of the same memory (buffers passed to API calls). Windows builds only.
#ifndef _WIN32
#error "wchar_utf16.h is for the Windows boundary; portable code stays with char16_t"
#endif

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 unit on Windows");

namespace hitched {

inline std::wstring ToWString(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

inline std::u16string ToU16String(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

// Views of a record's text field or another char16_t buffer for an API call, and back.
inline wchar_t* AsWide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}
inline const wchar_t* AsWide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline char16_t* AsUtf16(wchar_t* text) {
    return reinterpret_cast<char16_t*>(text);
}
inline const char16_t* AsUtf16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

} // namespace hitched
