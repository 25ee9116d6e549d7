#include "app/string_table.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using hitched::LangStringKey;
using hitched::LangStringTable;

TEST(StringTable, HelpGroupIsOneToEightAndTextGroupFollowsTheNumberingRule) {
    const auto& table = LangStringTable();
    for (unsigned i = 0; i < 8; ++i) {
        EXPECT_EQ(table[i].id, i + 1);
    }
    // The n-th name of the second group has id 57344 + n - 1, without gaps.
    for (unsigned n = 1; n <= 66; ++n) {
        EXPECT_EQ(table[7 + n].id, 57344u + n - 1) << "entry " << n;
    }
    EXPECT_EQ(table.back().id, 57409u);
}

TEST(StringTable, KeysAreTheNamesOfTheirIdsExceptTheRepeatedUsbSegment) {
    EXPECT_STREQ(LangStringKey(IDS_HELPDOCUMENT), "IDS_HELPDOCUMENT");
    EXPECT_STREQ(LangStringKey(IDS_HELPDOC_BULETH), "IDS_HELPDOC_BULETH");
    EXPECT_STREQ(LangStringKey(57344), "AFX_IDS_APP_TITLE");
    EXPECT_STREQ(LangStringKey(57346), "IDS_STRING_BTCAPTION_PRVIOUS");
    EXPECT_STREQ(LangStringKey(57347), "IDS_STRING_BTCAPTION_NEXT");
    EXPECT_STREQ(LangStringKey(57367), "IDS_STRING_IR_ERROR_SEG_1");
    EXPECT_STREQ(LangStringKey(57374), "IDS_STRING_IR_ERROR_SEG_8");
    EXPECT_STREQ(LangStringKey(57375), "IDS_STRING_BT_ERROR_SEG_1");
    EXPECT_STREQ(LangStringKey(57376), "IDS_STRING_USB_ERROR_SEG_1");
    EXPECT_STREQ(LangStringKey(57377), "IDS_STRING_USB_ERROR_SEG_2");
    EXPECT_STREQ(LangStringKey(57378), "IDS_STRING_USB_ERROR_SEG_1");
    EXPECT_STREQ(LangStringKey(57379), "IDS_STRING_USB_ERROR_SEG_4");
    EXPECT_STREQ(LangStringKey(57393), "IDS_STRING_BLUETOOTH_SEARCHFORMAOR");
    EXPECT_STREQ(LangStringKey(57402), "IDS_STRING_BLUETOOTH_NONANME_TIPS");
    EXPECT_STREQ(LangStringKey(57409), "IDS_STRING_BLUETOOTH_AUTHENTICATE_ERROR");
}

TEST(StringTable, OnlyTheUsbSegmentKeyRepeatsAndUnknownIdsHaveNoKey) {
    std::multiset<std::string> keys;
    for (const auto& entry : LangStringTable()) {
        keys.insert(entry.key);
    }
    for (const std::string& key : keys) {
        EXPECT_EQ(keys.count(key), key == "IDS_STRING_USB_ERROR_SEG_1" ? 2u : 1u) << key;
    }
    EXPECT_EQ(keys.count("IDS_STRING_USB_ERROR_SEG_3"), 0u);
    for (unsigned id : {0u, 9u, 57343u, 57410u, 65535u}) {
        EXPECT_EQ(LangStringKey(id), nullptr) << id;
    }
}
