#pragma once
// Small text rules of detection that the Windows API applies to wide strings: comparison
// without regard to case (driver keys) and _wtoi's reading of a number.
#include <string_view>

namespace hitched {

// Equal when they differ at most in the case of ASCII letters, as the driver keys do.
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// The number at the start of the text as _wtoi reads it: blanks skipped, an optional sign,
// decimal digits up to the first other character; 0 when there are none. Saturates instead
// of overflowing.
int WideToInt(std::u16string_view text);

} // namespace hitched
