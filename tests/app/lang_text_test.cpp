#include "app/lang_text.h"

#include <gtest/gtest.h>

using hitched::UnescapeLangText;

TEST(LangText, BackslashNBetweenWordsBecomesTwoLines) {
    EXPECT_EQ(UnescapeLangText(u"first\\nsecond"), u"first\nsecond");
}

TEST(LangText, LineFeedsAreReplacedBeforeCarriageReturns) {
    EXPECT_EQ(UnescapeLangText(u"a\\r\\nb"), u"a\r\nb");
    // "\\\n" read as backslash + newline escape: the first pass eats the escape, not the backslash.
    EXPECT_EQ(UnescapeLangText(u"x\\\\ny"), u"x\\\ny");
}

TEST(LangText, OtherEscapesKeepBothCharacters) {
    EXPECT_EQ(UnescapeLangText(u"C:\\temp\\file"), u"C:\\temp\\file");
    EXPECT_EQ(UnescapeLangText(u"ends with \\"), u"ends with \\");
}
