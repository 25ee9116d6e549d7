#include "app/trace.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

TEST(Trace, FormatsNumbersTextsAndWideHexadecimal) {
    using hitched::FormatTrace;
    const uint64_t address = 0x00A1B2C3D4E5F6ULL; // a 48-bit Bluetooth address
    const struct {
        std::u16string line, expected;
    } cases[] = {
        {FormatTrace(u"%d|%d|%u|%s|%s", -7, INT_MIN, 4000000000u, u"COM5\r\n",
                     static_cast<const char16_t*>(nullptr)),
         u"-7|-2147483648|4000000000|COM5\\r\\n|(null)"}, // a text cannot forge a log line
        {FormatTrace(u"%012I64X|%016I64X", address, address), u"A1B2C3D4E5F6|0000A1B2C3D4E5F6"},
        {FormatTrace(u"%0I64X|%I64x|%I64d|%I64u", ~0ULL, 1ULL, LLONG_MIN, ULLONG_MAX),
         u"FFFFFFFFFFFFFFFF|1|-9223372036854775808|18446744073709551615"},
        {FormatTrace(u"%08X %x %4d|%05d|%3s", 0xBEEFu, 255u, 7, -42, u"a"),
         u"0000BEEF ff    7|-0042|  a"},
        // Not directives: copied, and no argument is taken for them.
        {FormatTrace(u"100%% %q %I6d %0% %5 %I64", 5), u"100% %q %I6d %0% %5 %I64"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.line, c.expected);
    }
}
