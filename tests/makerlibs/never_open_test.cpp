// Which USB devices KvInquireInfo.dll leaves unopened, from the [NeverOpen] settings.
#include "makerlibs/kvinquire/never_open.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct Case {
    const char* what;
    std::map<std::u16string, int> settings;
    uint16_t vendor;
    uint16_t product;
    bool neverOpened;
};

TEST(NeverOpen, ProductKeyDecidesBeforeVendorKey) {
    const Case cases[] = {
        {"nothing listed", {}, 0x2341, 0x0043, false},
        {"whole vendor listed", {{u"2341", 1}}, 0x2341, 0x0043, true},
        {"vendor listed as 0", {{u"2341", 0}}, 0x2341, 0x0043, false},
        {"another vendor listed", {{u"2A03", 1}}, 0x2341, 0x0043, false},
        {"the product listed", {{u"16C0:0483", 1}}, 0x16C0, 0x0483, true},
        {"another product of the vendor", {{u"16C0:0483", 1}}, 0x16C0, 0x05DC, false},
        {"product 0 unlists one product of a listed vendor",
         {{u"2341", 1}, {u"2341:0043", 0}},
         0x2341,
         0x0043,
         false},
        {"product 1 under a vendor 0", {{u"0483", 0}, {u"0483:374B", 1}}, 0x0483, 0x374B, true},
        {"vendor and product digits not swapped", {{u"0483:374B", 1}}, 0x374B, 0x0483, false},
    };
    for (const Case& c : cases) {
        const auto setting = [&](std::u16string_view key) {
            const auto found = c.settings.find(std::u16string(key));
            return found == c.settings.end() ? -1 : found->second;
        };
        EXPECT_EQ(hitched::IsNeverOpened(c.vendor, c.product, setting), c.neverOpened) << c.what;
    }
}

TEST(NeverOpen, KeysAreFourUpperCaseDigitsEach) {
    EXPECT_EQ(hitched::VendorKey(0x2a03), u"2A03");
    EXPECT_EQ(hitched::ProductKey(0x16c0, 0x483), u"16C0:0483");
    EXPECT_EQ(hitched::ProductKey(0, 0xffff), u"0000:FFFF");
}

} // namespace
