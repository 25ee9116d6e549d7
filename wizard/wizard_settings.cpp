#include "wizard/wizard_settings.h"

#include "detect/connect_type_switch.h"

namespace hitched {

namespace {
constexpr char16_t kWizardSection[] = u"Hitched";
constexpr char16_t kWizardShowKey[] = u"wizard_show";
constexpr char16_t kSwitchSection[] = u"Enable_connect";
constexpr char16_t kNotFound[] = u"NOT_FOUND";
constexpr int kFirstBluetoothSwitch = 0;
constexpr int kBluetoothSwitchCount = 4;
constexpr int kInfraredSwitch = 4;
constexpr int kSerialCableSwitch = 5;
constexpr int kUsbCableSwitch = 6;

void SwitchOn(IProfileWriter& settings, int index) {
    settings.WriteString(kSwitchSection, ConnectTypeSwitchKey(index), u"1");
}
} // namespace

bool IsWizardShown(IProfileReader& settings) {
    const std::u16string value = settings.GetString(kWizardSection, kWizardShowKey, kNotFound);
    return value == kNotFound || value == u"1";
}

void WriteWizardShown(IProfileWriter& settings, bool showAgain) {
    settings.WriteString(kWizardSection, kWizardShowKey, showAgain ? u"1" : u"0");
}

void EnableCableTypes(IProfileWriter& settings) {
    SwitchOn(settings, kSerialCableSwitch);
    SwitchOn(settings, kUsbCableSwitch);
}

void EnableInfraredType(IProfileWriter& settings) {
    SwitchOn(settings, kInfraredSwitch);
}

bool EnableBluetoothStacks(IProfileReader& reader, IProfileWriter& writer) {
    for (int i = kFirstBluetoothSwitch; i < kFirstBluetoothSwitch + kBluetoothSwitchCount; ++i) {
        if (IsConnectTypeEnabled(reader, i)) {
            return false;
        }
    }
    for (int i = kFirstBluetoothSwitch; i < kFirstBluetoothSwitch + kBluetoothSwitchCount; ++i) {
        SwitchOn(writer, i);
    }
    return true;
}

} // namespace hitched
