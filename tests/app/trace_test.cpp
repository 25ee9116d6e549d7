#include "app/trace.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::vector<std::u16string> g_lines;
void Capture(const std::u16string& line) {
    g_lines.push_back(line);
}

} // namespace

TEST(Trace, FormatsNumbersTextsAndPercent) {
    EXPECT_EQ(hitched::FormatTrace(u"count: %d", 42), u"count: 42");
    EXPECT_EQ(hitched::FormatTrace(u"%d|%d|%u", -7, INT_MIN, 4000000000u),
              u"-7|-2147483648|4000000000");
    EXPECT_EQ(hitched::FormatTrace(u"recv client data %s:", u"COM5\r\n"),
              u"recv client data COM5\r\n:");
    EXPECT_EQ(hitched::FormatTrace(u"100%% %x %"), u"100% %x %");
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
