// The wizard's settings rules over INI text: what "wizard_show" means, and when choosing
// Bluetooth switches the stacks on.
#include "wizard/wizard_settings.h"

#include "../platform/ini_text_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using hitched::test::IniTextReader;

// Records the writes as "key=value;" (all of them go to [Enable_connect]).
struct RecordingWriter : hitched::IProfileWriter {
    std::u16string writes;
    void WriteString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) override {
        writes += std::u16string(key) + u"=" + std::u16string(value) + u";";
        EXPECT_EQ(section, u"Enable_connect");
    }
};

TEST(WizardSettingsTest, WelcomePageShownOnlyForAMissingKeyOrExactlyOneEvenInOddFiles) {
    const std::pair<const char*, bool> cases[] = {
        {"[Hitched]\r\nwizard_show=", false},
        {"[Hitched]\r\nwizard_show=11", false},
        {"[Hitched]\r\nwizard_show=NOT_FOUND", true}, // reads as the default itself
        {"[Enable_connect]\r\nwizard_show=0", true},  // another section's key
    };
    for (const auto& [ini, shown] : cases) {
        IniTextReader settings(ini);
        EXPECT_EQ(hitched::IsWizardShown(settings), shown) << ini;
    }
}

TEST(WizardSettingsTest, BluetoothStacksAreAllSwitchedOnOnlyWhenNoneIsEnabled) {
    const char* const off = "[Enable_connect]\r\nBluetooth (Microsoft)=0\r\n"
                            "Bluetooth (Broadcomm)=x\r\nBluetooth (IVT)=\r\n";
    const std::pair<std::string, std::u16string> cases[] = {
        {std::string(off) + "Bluetooth (Toshiba)=0", u"Bluetooth (Microsoft)=1;"
                                                     u"Bluetooth (Broadcomm)=1;"
                                                     u"Bluetooth (IVT)=1;Bluetooth (Toshiba)=1;"},
        {std::string(off) + "Bluetooth (Toshiba)=1", u""},
        {"", u""}, // a missing key counts as enabled
    };
    for (const auto& [ini, writes] : cases) {
        IniTextReader reader(ini);
        RecordingWriter writer;
        EXPECT_EQ(hitched::EnableBluetoothStacks(reader, writer), !writes.empty()) << ini;
        EXPECT_EQ(writer.writes, writes) << ini;
    }
}

} // namespace
