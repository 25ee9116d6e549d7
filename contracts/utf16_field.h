#pragma once
// Fixed-size UTF-16 text fields of the records: every write stays inside the field, leaves it
// terminated and zeroes the unused rest, so records can travel byte for byte.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace hitched {

// Number of units before the first NUL, never reading past the field.
template <std::size_t N> std::size_t FieldLength(const char16_t (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != u'\0') {
        ++n;
    }
    return n;
}

template <std::size_t N> std::u16string_view FieldView(const char16_t (&field)[N]) {
    return std::u16string_view(field, FieldLength(field));
}

template <std::size_t N> std::u16string FieldString(const char16_t (&field)[N]) {
    return std::u16string(FieldView(field));
}

// Copies at most maxUnits units of text (and never more than N - 1), stopping early at an
// embedded NUL; the rest of the field is zeroed. A high surrogate that would end the copy
// is left out: the text is never cut inside a character. Returns the number of units written.
template <std::size_t N>
std::size_t CopyField(char16_t (&field)[N], std::u16string_view text,
                      std::size_t maxUnits = N - 1) {
    static_assert(N > 0, "a text field holds at least its terminator");
    const std::size_t nul = text.find(u'\0');
    std::size_t n = std::min({text.size(), nul, maxUnits, N - 1});
    if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) {
        --n;
    }
    std::copy_n(text.data(), n, field);
    std::fill(field + n, field + N, u'\0');
    return n;
}

// Copies one field into another of any size with the same guarantees.
template <std::size_t N, std::size_t M>
std::size_t CopyField(char16_t (&field)[N], const char16_t (&source)[M]) {
    return CopyField(field, FieldView(source));
}

// Exact, case-sensitive comparison of the texts (up to each field's terminator).
template <std::size_t N, std::size_t M>
bool FieldEquals(const char16_t (&a)[N], const char16_t (&b)[M]) {
    return FieldView(a) == FieldView(b);
}

template <std::size_t N> bool FieldEquals(const char16_t (&a)[N], std::u16string_view text) {
    return FieldView(a) == text;
}

// For the ASCII texts the program formats itself ("COM5", addresses): widens each byte.
std::u16string AsciiToUtf16(std::string_view ascii);

} // namespace hitched
