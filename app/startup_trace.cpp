#include "app/startup_trace.h"

#include "app/debug_log.h"

#include <windows.h>

namespace {

unsigned long long AsTicks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Milliseconds since the kernel created this process; -1 when the system does not say.
int MillisecondsSinceProcessStart() {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return -1;
    }
    ::GetSystemTimeAsFileTime(&now);
    const unsigned long long start = AsTicks(created);
    const unsigned long long current = AsTicks(now);
    return current >= start ? static_cast<int>((current - start) / 10000) : 0;
}

} // namespace

void LogStartupStep(const wchar_t* step) {
    DebugLog(L"start-up: %s after %d ms", step, MillisecondsSinceProcessStart());
}
