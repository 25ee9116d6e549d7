#pragma once
#include <cstdarg>

// The program's trace: one line per call through OutputDebugStringW, always on, any thread.
// Each line ends in "---[Hitched]\r\n". The format is wvsprintfW's (%s is a wide string).
void DebugLog(const wchar_t* format, ...);

namespace hitched {

constexpr int kDebugLogBufferChars = 4096;

// Formats one trace line into a zeroed buffer of kDebugLogBufferChars characters; what
// DebugLog passes to OutputDebugStringW.
void FormatDebugLogLine(wchar_t* buffer, const wchar_t* format, va_list args);

} // namespace hitched
