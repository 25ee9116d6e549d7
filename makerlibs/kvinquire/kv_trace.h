#pragma once
// KvInquireInfo.dll's own trace: OutputDebugStringW lines ending in "---[KvInquireInfo]".
// The library is a module of its own, so it does not write through the program's log.
namespace hitched {

void KvTrace(const wchar_t* format, ...);

} // namespace hitched
