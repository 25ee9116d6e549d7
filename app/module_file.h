#pragma once
#include <string>

namespace hitched {

// Full path of the running executable (GetModuleFileNameW, 260 characters); empty when the
// call fails.
std::wstring ModuleFileName();
// Its directory with the trailing backslash, and without it.
std::wstring ModuleDirectoryWithBackslash();
std::wstring ModuleDirectoryWithoutBackslash();

} // namespace hitched
