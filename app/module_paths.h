#pragma once
#include <string>
#include <string_view>

namespace hitched {

// The directory of a module path, cut at its last backslash: with the backslash (how the
// application keeps it) or without it (how the help URL wants it). Empty when the path has no
// backslash, which is also what a failed GetModuleFileNameW leaves.
std::u16string DirectoryWithBackslash(std::u16string_view modulePath);
std::u16string DirectoryWithoutBackslash(std::u16string_view modulePath);

// The language file under a module directory that already ends in a backslash. The doubled
// backslash where the two meet is kept: the profile functions accept it.
std::u16string LanguageFilePath(std::u16string_view moduleDirWithBackslash);

} // namespace hitched
