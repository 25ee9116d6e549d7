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
    wcscat(line, L"---[KvInquireInfo]\r\n");
    OutputDebugStringW(line);
}

} // namespace hitched
