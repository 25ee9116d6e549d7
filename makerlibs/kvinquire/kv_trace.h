#pragma once
// The maker libraries' own trace: OutputDebugStringW lines ending in "---[<module>]", where
// each library defines kKvTraceModule. A library is a module of its own, so it does not write
// through the program's log.
namespace hitched {

extern const wchar_t kKvTraceModule[];

void KvTrace(const wchar_t* format, ...);

} // namespace hitched
