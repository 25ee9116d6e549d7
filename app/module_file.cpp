#include "app/module_file.h"

#include "app/module_paths.h"
#include "app/wide_text.h"

#include <windows.h>

namespace hitched {

std::wstring ModuleFileName() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

std::wstring ModuleDirectoryWithBackslash() {
    return ToWide(DirectoryWithBackslash(ToU16(ModuleFileName())));
}

std::wstring ModuleDirectoryWithoutBackslash() {
    return ToWide(DirectoryWithoutBackslash(ToU16(ModuleFileName())));
}

} // namespace hitched
