#include "app/trace.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::u16string> g_lines;
void Capture(const std::u16string& line) {
    g_lines.push_back(line);
}

} // namespace

TEST(Trace, FormatsNumbersTextsAndWideHexadecimal) {
    using hitched::FormatTrace;
    const uint64_t address = 0x00A1B2C3D4E5F6ULL; // a 48-bit Bluetooth address
    const struct {
        std::u16string line, expected;
    } cases[] = {
        {FormatTrace(u"count: %d", 42), u"count: 42"},
        {FormatTrace(u"%d|%d|%u", -7, INT_MIN, 4000000000u), u"-7|-2147483648|4000000000"},
        {FormatTrace(u"recv %s:", u"COM5\r\n"), u"recv COM5\r\n:"},
        {FormatTrace(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)"},
        {FormatTrace(u"%012I64X", address), u"A1B2C3D4E5F6"},
        {FormatTrace(u"%016I64X", address), u"0000A1B2C3D4E5F6"},
        {FormatTrace(u"%0I64X|%I64x", 0xFFFFFFFFFFFFFFFFULL, 0x1ULL), u"FFFFFFFFFFFFFFFF|1"},
        {FormatTrace(u"%I64d|%I64u", LLONG_MIN, ULLONG_MAX),
         u"-9223372036854775808|18446744073709551615"},
        {FormatTrace(u"%08X %x %4d|%05d", 0xBEEFu, 255u, 7, -42), u"0000BEEF ff    7|-0042"},
        {FormatTrace(u"[%3s]", u"a"), u"[  a]"},
        // Not directives: copied, and no argument is taken for them.
        {FormatTrace(u"100%% %q %I6d %0% %", 5), u"100% %q %I6d %0% %"},
        {FormatTrace(u"%I64", 5), u"%I64"},
        {FormatTrace(u"%d %5", 3), u"3 %5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.line, c.expected);
    }
}

TEST(Trace, LinesGoToTheInstalledSinkUntilItIsRemoved) {
    g_lines.clear();
    hitched::SetTraceSink(Capture);
    hitched::Trace(u"To client %d", 3);
    hitched::SetTraceSink(nullptr);
    hitched::Trace(u"not captured");
    ASSERT_EQ(g_lines.size(), 1u);
    EXPECT_EQ(g_lines[0], u"To client 3");
}
