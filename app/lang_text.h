#pragma once
#include <string>

namespace hitched {

// Longest text a language-file value may yield (a 1024-unit buffer with its terminator).
constexpr std::size_t kMaxLangTextLength = 1023;

// Turns the two escapes a translator may write into control characters: first every
// backslash-n into a line feed, then every backslash-r into a carriage return.
std::u16string UnescapeLangText(std::u16string text);

} // namespace hitched
