#include "detect/utf16_field.h"

#include <cstring>

#include <gtest/gtest.h>

using hitched::CopyField;
using hitched::FieldEquals;
using hitched::FieldLength;
using hitched::FieldView;

namespace {

// A field with guard units on both sides, as it sits between its neighbours in a record.
struct Guarded {
    char16_t before[4];
    char16_t field[8];
    char16_t after[4];
};

Guarded MakeGuarded() {
    Guarded g;
    for (auto& u : g.before)
        u = u'#';
    for (auto& u : g.field)
        u = u'?';
    for (auto& u : g.after)
        u = u'#';
    return g;
}

void ExpectGuardsIntact(const Guarded& g) {
    for (char16_t u : g.before)
        EXPECT_EQ(u, u'#');
    for (char16_t u : g.after)
        EXPECT_EQ(u, u'#');
}

TEST(Utf16Field, LongTextIsCutToTheFieldAndStillTerminated) {
    Guarded g = MakeGuarded();
    EXPECT_EQ(CopyField(g.field, u"ABCDEFGHIJKLMNOP"), 7u);
    EXPECT_EQ(FieldView(g.field), u"ABCDEFG");
    EXPECT_EQ(g.field[7], u'\0');
    ExpectGuardsIntact(g);
}

TEST(Utf16Field, ShortTextZeroesTheRestOfTheField) {
    Guarded g = MakeGuarded();
    CopyField(g.field, u"AB");
    for (std::size_t i = 2; i < 8; ++i) {
        EXPECT_EQ(g.field[i], u'\0') << i;
    }
    ExpectGuardsIntact(g);
}

TEST(Utf16Field, MaxUnitsLimitsWhatIsWritten) {
    Guarded g = MakeGuarded();
    EXPECT_EQ(CopyField(g.field, u"ABCDEF", 3), 3u);
    EXPECT_EQ(FieldView(g.field), u"ABC");
    // A limit beyond the field still leaves room for the terminator.
    EXPECT_EQ(CopyField(g.field, u"ABCDEFGHIJ", 100), 7u);
    ExpectGuardsIntact(g);
}

TEST(Utf16Field, EmbeddedNulEndsTheCopy) {
    char16_t field[8];
    const char16_t text[] = {u'A', u'\0', u'B'};
    EXPECT_EQ(CopyField(field, std::u16string_view(text, 3)), 1u);
    EXPECT_EQ(FieldView(field), u"A");
    EXPECT_EQ(field[2], u'\0');
}

TEST(Utf16Field, UnterminatedFieldIsReadOnlyToItsEnd) {
    Guarded g = MakeGuarded();
    std::memset(g.after, 0, sizeof g.after);
    for (auto& u : g.field)
        u = u'x';
    EXPECT_EQ(FieldLength(g.field), 8u);
    EXPECT_EQ(FieldView(g.field), u"xxxxxxxx");
}

TEST(Utf16Field, ComparisonIsExactAndCaseSensitive) {
    char16_t a[16] = {};
    char16_t b[32] = {};
    CopyField(a, u"Ostra X1");
    CopyField(b, u"Ostra X1");
    EXPECT_TRUE(FieldEquals(a, b));
    CopyField(b, u"ostra X1");
    EXPECT_FALSE(FieldEquals(a, b));
    EXPECT_TRUE(FieldEquals(a, u"Ostra X1"));
    EXPECT_FALSE(FieldEquals(a, u"Ostra X1\r\n"));
    EXPECT_FALSE(FieldEquals(a, u"Ostra X"));
    EXPECT_FALSE(FieldEquals(a, std::u16string_view(u"Ostra X1\0", 9)));
}

TEST(Utf16Field, CopiesBetweenFieldsOfDifferentSizes) {
    char16_t big[128] = {};
    char16_t small[4];
    CopyField(big, u"Manufacturer");
    CopyField(small, big);
    EXPECT_EQ(FieldView(small), u"Man");
    EXPECT_EQ(hitched::AsciiToUtf16("COM\xE9"), std::u16string(u"COM\u00E9"));
}

} // namespace
