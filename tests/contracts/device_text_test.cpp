// What a device says about itself is cleaned before it is stored: one row per rule.
#include "contracts/device_text.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceText, DropsControlsAndInvisibleOrReorderingCharactersAndMendsSurrogates) {
    const struct {
        std::u16string said;
        std::u16string kept;
    } cases[] = {
        {u"Ostra X1", u"Ostra X1"},
        {u"M\u00fcller \u00e9t\u00e9 \u4e2d\u6587 \U0001F4F1",
         u"M\u00fcller \u00e9t\u00e9 \u4e2d\u6587 \U0001F4F1"},
        {u"a\tb\rc\nd\x1b[0m\x7f", u"abcd[0m"},                   // C0 controls and DEL
        {u"X\u0085Y\u009bZ\u0080", u"XYZ"},                       // C1 controls (NEL, CSI)
        {u"\u202eevil\u202c.exe\u200e\u200f\u061c", u"evil.exe"}, // overrides and marks
        {u"\u2066a\u2069\u202a\u202b\u202d", u"a"},               // isolates and embeddings
        {u"\ufeffO\u200bs\u200ct\u200dr\u2060a\u180e", u"Ostra"}, // BOM and zero widths
        {u"one\u2028two\u2029", u"onetwo"},                       // line and paragraph separators
        {u"\ufff9x\ufffb", u"x"},                                 // interlinear annotation
        {std::u16string(u"12\xd83d", 3), u"12\ufffd"},            // high surrogate at the end
        {std::u16string(1, u'\xde00') + u"34", u"\ufffd34"},      // low surrogate alone
        {std::u16string(u"\xd83d\xd83d\xde00", 3), u"\ufffd\U0001F600"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hitched::DeviceText(c.said), c.kept);
    }
}

} // namespace
