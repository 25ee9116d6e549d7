#include "app/module_file.h"

#include "app/module_paths.h"
#include "platform/wchar_utf16.h"

#include <windows.h>

namespace hitched {

std::wstring ModuleFileName() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

std::wstring ModuleDirectoryWithBackslash() {
    return ToWString(DirectoryWithBackslash(ToU16String(ModuleFileName())));
}

std::wstring ModuleDirectoryWithoutBackslash() {
    return ToWString(DirectoryWithoutBackslash(ToU16String(ModuleFileName())));
}

} // namespace hitched
