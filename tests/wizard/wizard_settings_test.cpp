// The wizard's settings rules over INI text: what "wizard_show" means, and which switches
// choosing a connection type turns on.
#include "wizard/wizard_settings.h"

#include "../platform/ini_text_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hitched::test::IniTextReader;

struct Write {
    std::u16string section, key, value;
    bool operator==(const Write& o) const {
        return section == o.section && key == o.key && value == o.value;
    }
};

class RecordingWriter : public hitched::IProfileWriter {
public:
    std::vector<Write> writes;
    void WriteString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) override {
        writes.push_back({std::u16string(section), std::u16string(key), std::u16string(value)});
    }
};

TEST(WizardSettingsTest, WelcomePageShownOnlyForAMissingKeyOrExactlyOne) {
    const struct {
        const char* ini;
        bool shown;
    } cases[] = {
        {"", true},
        {"[Hitched]\r\nother=0\r\n", true},
        {"[Hitched]\r\nwizard_show=1\r\n", true},
        {"[Hitched]\r\nwizard_show=0\r\n", false},
        {"[Hitched]\r\nwizard_show=\r\n", false},
        {"[Hitched]\r\nwizard_show=yes\r\n", false},
        {"[Hitched]\r\nwizard_show=11\r\n", false},
        {"[Hitched]\r\nwizard_show=NOT_FOUND\r\n", true}, // reads as the default itself
        {"[Enable_connect]\r\nwizard_show=0\r\n", true},  // another section's key
    };
    for (const auto& c : cases) {
        IniTextReader settings(c.ini);
        EXPECT_EQ(hitched::IsWizardShown(settings), c.shown) << c.ini;
    }
}

TEST(WizardSettingsTest, WelcomeCheckBoxIsStoredAsOneOrZero) {
    RecordingWriter writer;
    hitched::WriteWizardShown(writer, true);
    hitched::WriteWizardShown(writer, false);
    const std::vector<Write> expected = {{u"Hitched", u"wizard_show", u"1"},
                                         {u"Hitched", u"wizard_show", u"0"}};
    EXPECT_EQ(writer.writes, expected);
}

TEST(WizardSettingsTest, CableAndInfraredSwitchTheirOwnKeysOn) {
    RecordingWriter cable;
    hitched::EnableCableTypes(cable);
    const std::vector<Write> cableWrites = {{u"Enable_connect", u"Serial Cable", u"1"},
                                            {u"Enable_connect", u"USB Cable", u"1"}};
    EXPECT_EQ(cable.writes, cableWrites);

    RecordingWriter infrared;
    hitched::EnableInfraredType(infrared);
    const std::vector<Write> infraredWrites = {{u"Enable_connect", u"Infrared", u"1"}};
    EXPECT_EQ(infrared.writes, infraredWrites);
}

TEST(WizardSettingsTest, BluetoothStacksAreAllSwitchedOnOnlyWhenNoneIsEnabled) {
    // All four explicitly off: all four on.
    IniTextReader allOff("[Enable_connect]\r\nBluetooth (Microsoft)=0\r\n"
                         "Bluetooth (Broadcomm)=0\r\nBluetooth (IVT)=x\r\n"
                         "Bluetooth (Toshiba)=\r\n");
    RecordingWriter writer;
    EXPECT_TRUE(hitched::EnableBluetoothStacks(allOff, writer));
    const std::vector<Write> expected = {{u"Enable_connect", u"Bluetooth (Microsoft)", u"1"},
                                         {u"Enable_connect", u"Bluetooth (Broadcomm)", u"1"},
                                         {u"Enable_connect", u"Bluetooth (IVT)", u"1"},
                                         {u"Enable_connect", u"Bluetooth (Toshiba)", u"1"}};
    EXPECT_EQ(writer.writes, expected);

    // One stack chosen (the last one checked): the others stay as they are.
    IniTextReader oneOn("[Enable_connect]\r\nBluetooth (Microsoft)=0\r\n"
                        "Bluetooth (Broadcomm)=0\r\nBluetooth (IVT)=0\r\n"
                        "Bluetooth (Toshiba)=1\r\n");
    RecordingWriter untouched;
    EXPECT_FALSE(hitched::EnableBluetoothStacks(oneOn, untouched));
    EXPECT_TRUE(untouched.writes.empty());

    // A missing key counts as enabled, so a fresh file is left alone too.
    IniTextReader fresh("");
    RecordingWriter freshWriter;
    EXPECT_FALSE(hitched::EnableBluetoothStacks(fresh, freshWriter));
    EXPECT_TRUE(freshWriter.writes.empty());
}

} // namespace
