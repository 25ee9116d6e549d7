#pragma once

namespace hitched {

// Sends every line of the portable trace (app/trace.h) to DebugLog. Called once at start-up by
// whoever brings up the Windows side; calling it again changes nothing.
void RouteTraceToDebugLog();

} // namespace hitched
