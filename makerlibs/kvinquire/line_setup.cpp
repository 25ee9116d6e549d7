#include "makerlibs/kvinquire/line_setup.h"

namespace hitched {

std::optional<LineSetup> SetUpLine(const std::function<bool(LineSetup)>& apply) {
    for (LineSetup setup :
         {LineSetup::Full, LineSetup::RateAndFraming, LineSetup::WithoutModemLines}) {
        if (apply(setup)) {
            return setup;
        }
    }
    return std::nullopt;
}

bool RaisesModemLines(LineSetup setup) {
    return setup != LineSetup::WithoutModemLines;
}

} // namespace hitched
