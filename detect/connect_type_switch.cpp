#include "detect/connect_type_switch.h"

namespace hitched {

const char16_t* ConnectTypeSwitchKey(int index) {
    static const char16_t* const kKeys[kConnectTypeSwitchCount] = {u"Bluetooth (Microsoft)",
                                                                   u"Bluetooth (Broadcomm)",
                                                                   u"Bluetooth (IVT)",
                                                                   u"Bluetooth (Toshiba)",
                                                                   u"Infrared",
                                                                   u"Serial Cable",
                                                                   u"USB Cable"};
    return index >= 0 && index < kConnectTypeSwitchCount ? kKeys[index] : nullptr;
}

bool IsConnectTypeEnabled(IProfileReader& settings, int index) {
    const char16_t* key = ConnectTypeSwitchKey(index);
    if (key == nullptr) {
        return false;
    }
    const std::u16string value = settings.GetString(u"Enable_connect", key, u"NOT_FOUND");
    return value == u"1" || value == u"NOT_FOUND";
}

} // namespace hitched
