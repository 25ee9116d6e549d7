// The name a connected phone is listed under, and which text labels its kind of connection.
// The label ids are written out as numbers: the string table and the language file agree on
// them, so a wrong constant in the code shows up here.
#include "pages/page_texts.h"

#include <gtest/gtest.h>

#include <string>

using hitched::ConnectionLabelId;
using hitched::PhoneDisplayName;

TEST(PhoneDisplayName, PhoneNameAloneWhenItContainsTheManufacturer) {
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u"Ostra K300"), u"Ostra K300");     // at the start
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u"K300 Ostra"), u"K300 Ostra");     // at the end
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u"The Ostra K3"), u"The Ostra K3"); // in the middle
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u"Ostra"), u"Ostra");               // the whole name
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u"XOstraY"), u"XOstraY");           // inside a word
}

TEST(PhoneDisplayName, ManufacturerBlankPhoneNameOtherwise) {
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u"K300"), u"Ostra K300");
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u""), u"Ostra ");
    // Only the whole manufacturer counts, not a part of it.
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u"Ost K300"), u"Ostra Ost K300");
    // Case-sensitive: a name that differs in case does not contain it.
    EXPECT_EQ(PhoneDisplayName(u"Ostra", u"OSTRA K300"), u"Ostra OSTRA K300");
    EXPECT_EQ(PhoneDisplayName(u"ostra", u"Ostra K300"), u"ostra Ostra K300");
    // Text beyond ASCII is compared unit for unit.
    EXPECT_EQ(PhoneDisplayName(u"\u00d6stra", u"Ostra K300"), u"\u00d6stra Ostra K300");
    EXPECT_EQ(PhoneDisplayName(u"\u00d6stra", u"\u00d6stra K300"), u"\u00d6stra K300");
}

TEST(PhoneDisplayName, EmptyManufacturerAlwaysCountsAsContained) {
    EXPECT_EQ(PhoneDisplayName(u"", u"K300"), u"K300");
    EXPECT_EQ(PhoneDisplayName(u"", u""), u"");
}

TEST(ConnectionLabelId, EachConnectionTypeHasItsLabel) {
    EXPECT_EQ(ConnectionLabelId(0), 57385u); // serial cable: IDS_STRING_COMPLIST_SERIAL
    EXPECT_EQ(ConnectionLabelId(1), 57382u); // USB cable: IDS_STRING_COMPLIST_USB
    EXPECT_EQ(ConnectionLabelId(2), 57383u); // Bluetooth: IDS_STRING_COMPLIST_BT
    EXPECT_EQ(ConnectionLabelId(3), 57384u); // infrared: IDS_STRING_COMPLIST_IR
}

TEST(ConnectionLabelId, AnyOtherCodeHasNoLabel) {
    for (std::uint32_t code : {4u, 5u, 100u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        EXPECT_EQ(ConnectionLabelId(code), 0u) << "code " << code;
    }
}
