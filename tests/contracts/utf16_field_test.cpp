// Text fields of the records: every write stays inside its field, ends it and zeroes the rest.
#include "contracts/utf16_field.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using hitched::CopyField;
using hitched::FieldEquals;
using hitched::FieldLength;
using hitched::FieldView;

TEST(Utf16Field, CopiesAreCutToTheFieldOrTheLimitAndZeroTheRest) {
    const struct {
        std::u16string text;
        std::size_t limit;
        std::u16string stored;
    } cases[] = {
        {u"ABCDEFGHIJKLMNOP", 100, u"ABCDEFG"}, // 8 units: 7 and the terminator
        {u"AB", 100, u"AB"},
        {u"ABCDEF", 3, u"ABC"},
        {std::u16string(u"A\0B", 3), 100, u"A"} // an embedded NUL ends the text
    };
    for (const auto& c : cases) {
        // The field between guard units, as it sits between its neighbours in a record.
        struct {
            char16_t before[4];
            char16_t field[8];
            char16_t after[4];
        } g;
        std::fill(std::begin(g.before), std::end(g.before), u'#');
        std::fill(std::begin(g.after), std::end(g.after), u'#');
        EXPECT_EQ(CopyField(g.field, c.text, c.limit), c.stored.size());
        EXPECT_EQ(std::u16string(g.field, 8), c.stored + std::u16string(8 - c.stored.size(), 0));
        EXPECT_EQ(std::u16string(g.before, 4) + std::u16string(g.after, 4),
                  std::u16string(8, u'#'));
    }
}

TEST(Utf16Field, ReadingStopsAtTheFieldsEndAndComparisonIsExact) {
    char16_t full[4] = {u'x', u'x', u'x', u'x'}; // no terminator: read to its end, no further
    EXPECT_EQ(FieldLength(full), 4u);
    char16_t a[16] = {};
    char16_t b[32] = {};
    CopyField(a, u"Ostra X1");
    CopyField(b, a);
    EXPECT_TRUE(FieldEquals(a, b));
    CopyField(b, u"ostra X1");
    EXPECT_FALSE(FieldEquals(a, b));
    EXPECT_FALSE(FieldEquals(a, u"Ostra X"));
    EXPECT_FALSE(FieldEquals(a, std::u16string_view(u"Ostra X1\0", 9)));
    char16_t small[4];
    CopyField(small, a);
    EXPECT_EQ(FieldView(small), u"Ost");
    EXPECT_EQ(hitched::AsciiToUtf16("COM\xE9"), std::u16string(u"COM\u00E9"));
}

} // namespace
