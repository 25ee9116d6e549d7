#pragma once
// The support list Mirrolet.ini: section = manufacturer, key = model, value = the base name of
// the phone's support library, optionally followed by a comma and a display name.
#include <string>
#include <string_view>

#include "contracts/phone_device_info.h"
#include "platform/profile_reader.h"

namespace hitched {

// A value is read into a buffer of this many characters (terminator included).
constexpr std::size_t kSupportValueChars = 512;

// The support-list value for the record's manufacturer and model; empty when not listed.
std::u16string ReadSupportEntry(IProfileReader& supportList, const _PHONEDEVICEINFO_T& record);

// Applies a non-empty value: tszDllName = trimmed base name + ".dll"; a non-empty trimmed
// display name after the first comma replaces tszPhoneName. False, and nothing applied, when
// the library's file name does not fit tszDllName.
bool ApplySupportEntry(_PHONEDEVICEINFO_T& record, std::u16string_view value);
// Only the display-name half: a non-empty trimmed text after the first comma.
void ApplyDisplayName(_PHONEDEVICEINFO_T& record, std::u16string_view value);

// The text without leading and trailing white space (blank, tab, CR, LF, VT, FF).
std::u16string_view TrimWhiteSpace(std::u16string_view text);

} // namespace hitched
