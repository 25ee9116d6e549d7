#pragma once
// The install layout the Windows tests read (HITCHED_DIST_DIR, set by CTest), as a Windows
// folder with a trailing backslash; empty when unset.
#include <windows.h>

#include <algorithm>
#include <string>

inline std::wstring DistDir() {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"HITCHED_DIST_DIR", value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    // CTest passes the Linux path; Wine's Z: drive is the Linux root.
    std::wstring dir = (value[0] == L'/' ? L"Z:" : L"") + std::wstring(value, length);
    std::replace(dir.begin(), dir.end(), L'/', L'\\');
    return dir.back() == L'\\' ? dir : dir + L'\\';
}
