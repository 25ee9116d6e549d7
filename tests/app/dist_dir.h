#pragma once
// The install layout the Windows tests read (HITCHED_DIST_DIR, set by CTest), as a Windows
// folder with a trailing backslash; empty when unset.
#include <windows.h>

#include <string>

inline std::wstring DistDir() {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"HITCHED_DIST_DIR", value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    std::wstring dir(value, length);
    // CTest passes the Linux path; Wine's Z: drive is the Linux root.
    if (dir[0] == L'/') {
        dir = L"Z:" + dir;
    }
    for (wchar_t& c : dir) {
        c = c == L'/' ? L'\\' : c;
    }
    if (dir.back() != L'\\') {
        dir.push_back(L'\\');
    }
    return dir;
}
