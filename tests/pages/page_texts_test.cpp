// The pages' text rules without a window: the name a connected phone is listed under and the
// label of its connection, named by its language-file key.
#include "app/string_table.h"
#include "pages/page_texts.h"

#include <gtest/gtest.h>

#include <string>

using namespace hitched;

TEST(PageTexts, DisplayNameAndConnectionLabelOfAConnectedPhone) {
    // The phone name alone when it contains the whole manufacturer, exactly.
    const struct {
        std::u16string manufacturer, phone, shown;
    } cases[] = {
        {u"Ostra", u"Ostra K300", u"Ostra K300"},
        {u"Ostra", u"K300 Ostra", u"K300 Ostra"},
        {u"Ostra", u"XOstraY", u"XOstraY"},
        {u"Ostra", u"Ostra", u"Ostra"},
        {u"", u"K300", u"K300"},
        {u"", u"", u""},
        {u"Ostra", u"K300", u"Ostra K300"},
        {u"Ostra", u"", u"Ostra "},
        {u"Ostra", u"Ost K300", u"Ostra Ost K300"},
        {u"Ostra", u"OSTRA K3", u"Ostra OSTRA K3"},
        {u"\u00d6stra", u"Ostra K3", u"\u00d6stra Ostra K3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PhoneDisplayName(c.manufacturer, c.phone), c.shown);
    }
    // Each connection type has its label, any other code none.
    const char* const labels[] = {"IDS_STRING_COMPLIST_SERIAL", "IDS_STRING_COMPLIST_USB",
                                  "IDS_STRING_COMPLIST_BT", "IDS_STRING_COMPLIST_IR"};
    for (std::uint32_t type = 0; type < 4; ++type) {
        EXPECT_STREQ(LangStringKey(ConnectionLabelId(type)), labels[type]) << type;
    }
    for (std::uint32_t code : {4u, 100u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ConnectionLabelId(code), 0u) << code;
    }
}
