#include "app/lang_text.h"

#include <gtest/gtest.h>

TEST(LangText, BackslashNIsUnescapedBeforeBackslashRAndOtherEscapesStay) {
    using hitched::UnescapeLangText;
    EXPECT_EQ(UnescapeLangText(u"a\\r\\nb\\nc"), u"a\r\nb\nc");
    EXPECT_EQ(UnescapeLangText(u"x\\\\ny"), u"x\\\ny"); // the escape is eaten, not the backslash
    EXPECT_EQ(UnescapeLangText(u"C:\\temp\\file \\"), u"C:\\temp\\file \\");
}
