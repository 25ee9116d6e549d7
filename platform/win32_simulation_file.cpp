#include "platform/win32_simulation_file.h"

#include "platform/wchar_utf16.h"

#include <windows.h>

namespace hitched {

std::u16string SimulationFile() {
    wchar_t value[MAX_PATH * 2] = {};
    const DWORD n = GetEnvironmentVariableW(L"HITCHED_SIMULATION", value, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) {
        return u"";
    }
    return AsUtf16(value);
}

} // namespace hitched
