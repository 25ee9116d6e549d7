// Which texts the troubleshooting dialog shows in each mode, and how its segments are joined.
// The ids are written out as numbers: they are what the string table and the language file
// agree on, so a wrong constant in the code shows up here.
#include "pages/page_texts.h"

#include <gtest/gtest.h>

#include <vector>

using hitched::JoinAdviceSegments;
using hitched::TroubleshootTextsForMode;

TEST(TroubleshootTexts, EachModeHasItsHeadingAndSegmentsInOrder) {
    // USB cable: six consecutive entries; the third names segment 1 again.
    const auto usb = TroubleshootTextsForMode(0);
    EXPECT_EQ(usb.headingId, 57364u);
    EXPECT_EQ(usb.segmentIds, (std::vector<unsigned>{57376, 57377, 57378, 57379, 57380, 57381}));

    const auto infrared = TroubleshootTextsForMode(1);
    EXPECT_EQ(infrared.headingId, 57365u);
    EXPECT_EQ(infrared.segmentIds,
              (std::vector<unsigned>{57367, 57368, 57369, 57370, 57371, 57372, 57373, 57374}));

    const auto bluetooth = TroubleshootTextsForMode(2);
    EXPECT_EQ(bluetooth.headingId, 57366u);
    EXPECT_EQ(bluetooth.segmentIds, std::vector<unsigned>{57375});
}

TEST(TroubleshootTexts, AnyOtherModeShowsTheCableAdvice) {
    const auto usb = TroubleshootTextsForMode(0);
    for (int mode : {-1, 3, 4, 1000}) {
        const auto texts = TroubleshootTextsForMode(mode);
        EXPECT_EQ(texts.headingId, usb.headingId) << "mode " << mode;
        EXPECT_EQ(texts.segmentIds, usb.segmentIds) << "mode " << mode;
    }
}

TEST(JoinAdviceSegments, BlankLineOnlyBetweenSegments) {
    EXPECT_EQ(JoinAdviceSegments({}), u"");
    EXPECT_EQ(JoinAdviceSegments({u"only"}), u"only");
    EXPECT_EQ(JoinAdviceSegments({u"one", u"two", u"three"}), u"one\r\n\r\ntwo\r\n\r\nthree");
    // Empty segments still count: their separators stay, so the positions do not shift.
    EXPECT_EQ(JoinAdviceSegments({u"", u"b", u""}), u"\r\n\r\nb\r\n\r\n");
    // A segment's own line breaks are kept as they are.
    EXPECT_EQ(JoinAdviceSegments({u"a\nb", u"c"}), u"a\nb\r\n\r\nc");
}
