#pragma once
#include <string>

// Portable route to the program's debug trace. Core code cannot call DebugLog (it needs
// <windows.h>), so it writes here; the Windows build routes lines to DebugLog, native builds
// to stderr, and tests may capture them.
namespace hitched {

// Receives one finished line, without the "---[Hitched]" marker (DebugLog adds that).
using TraceSink = void (*)(const std::u16string& line);

// Replaces the sink for every thread; nullptr restores the default (stderr).
void SetTraceSink(TraceSink sink);

// Formats and writes one line. Understands %d, %u, %x, %X (int / unsigned; with I64 before
// the letter long long / unsigned long long), %s (const char16_t*; its CR and LF written as the
// escapes \r and \n, so that a text never starts a line of its own) and %%, each with an optional
// width and a 0 flag for leading zeros ("%012I64X" prints a Bluetooth address); anything else
// is copied as it stands and takes no argument.
void Trace(const char16_t* format, ...);

// The formatting step of Trace, for callers that build a line without writing it.
std::u16string FormatTrace(const char16_t* format, ...);

} // namespace hitched
