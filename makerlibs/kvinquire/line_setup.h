#pragma once
// How the phone-inquiry library sets up a serial line, most wanted first. A phone that needs
// DTR ignores every AT command without it, and a real USB modem driver supports the modem
// lines: when it refuses the full settings, the refusal is about another field (rate, flow
// control limits), so the port's own settings with only rate and framing changed come next,
// lines still raised. Only a port without modem lines at all (a pseudo-terminal under Wine)
// ends up with DTR and RTS off.
#include <functional>
#include <optional>

namespace hitched {

enum class LineSetup {
    Full,              // 115200 8N1, no flow control, DTR and RTS on
    RateAndFraming,    // the port's current settings with 115200 8N1 only
    WithoutModemLines, // the full settings with DTR and RTS off
};

// Tries the set-ups in order until `apply` accepts one; the accepted one, or nothing.
std::optional<LineSetup> SetUpLine(const std::function<bool(LineSetup)>& apply);

// Whether DTR and RTS are to be raised after the set-up (ignoring a refusal).
bool RaisesModemLines(LineSetup setup);

} // namespace hitched
