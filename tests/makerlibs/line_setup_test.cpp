// The order in which the phone-inquiry library sets up a serial line: DTR and RTS stay raised
// on every port that has them, whatever else the driver refuses.
#include "makerlibs/kvinquire/line_setup.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using hitched::LineSetup;

struct Port {
    const char* what;
    std::set<LineSetup> accepted;
    std::optional<LineSetup> chosen;
    bool linesRaised;
};

TEST(LineSetup, ModemLinesAreDroppedOnlyWhenNothingElseIsAccepted) {
    const Port ports[] = {
        {"a driver that takes everything",
         {LineSetup::Full, LineSetup::RateAndFraming, LineSetup::WithoutModemLines},
         LineSetup::Full,
         true},
        {"a USB modem driver refusing a flow-control field",
         {LineSetup::RateAndFraming, LineSetup::WithoutModemLines},
         LineSetup::RateAndFraming,
         true},
        {"a pseudo-terminal without modem lines",
         {LineSetup::WithoutModemLines},
         LineSetup::WithoutModemLines,
         false},
        {"a port that refuses everything", {}, std::nullopt, false},
    };
    for (const Port& port : ports) {
        std::vector<LineSetup> tried;
        const auto chosen = hitched::SetUpLine([&](LineSetup setup) {
            tried.push_back(setup);
            return port.accepted.count(setup) != 0;
        });
        EXPECT_EQ(chosen, port.chosen) << port.what;
        EXPECT_EQ(chosen && hitched::RaisesModemLines(*chosen), port.linesRaised) << port.what;
        EXPECT_EQ(tried.back(), chosen.value_or(LineSetup::WithoutModemLines))
            << port.what << ": nothing tried after the accepted set-up";
    }
}

} // namespace
