#include "app/debug_log.h"

#include <windows.h>

#include <cwchar>

namespace hitched {

void FormatDebugLogLine(wchar_t* buffer, const wchar_t* format, va_list args) {
    // wvsprintfW writes at most 1024 characters, so the marker always fits behind it.
    wvsprintfW(buffer, format, args);
    wcscat(buffer, L"---[Hitched]\r\n");
}

} // namespace hitched

void DebugLog(const wchar_t* format, ...) {
    wchar_t buffer[hitched::kDebugLogBufferChars] = {};
    va_list args;
    va_start(args, format);
    hitched::FormatDebugLogLine(buffer, format, args);
    va_end(args);
    OutputDebugStringW(buffer);
}
