#include "app/trace_debug_log.h"

#include "app/debug_log.h"
#include "app/trace.h"

namespace hitched {
namespace {

void ToDebugLog(const std::u16string& line) {
    // Through "%s" so that a '%' in the line is not read as a format directive.
    DebugLog(L"%s", reinterpret_cast<const wchar_t*>(line.c_str()));
}

} // namespace

void RouteTraceToDebugLog() {
    SetTraceSink(ToDebugLog);
}

} // namespace hitched
