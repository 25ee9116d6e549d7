#include "makerlibs/kvinquire/kv_trace.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

namespace hitched {

void KvTrace(const wchar_t* format, ...) {
    wchar_t line[1100] = {};
    va_list args;
    va_start(args, format);
    vswprintf(line, 1024, format, args);
    va_end(args);
    std::swprintf(line + wcslen(line), 76, L"---[%ls]\r\n", kKvTraceModule);
    OutputDebugStringW(line);
}

} // namespace hitched
