#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Text rules of the pages that need no window.
namespace hitched {

// The name a phone is listed under: the phone name alone when it contains the manufacturer
// (exact, case-sensitive; an empty manufacturer always counts as contained), otherwise
// manufacturer, blank, phone name.
std::u16string PhoneDisplayName(std::u16string_view manufacturer, std::u16string_view phoneName);

// String id of the label of a connection type (0 serial, 1 USB, 2 Bluetooth, 3 infrared);
// 0 for any other code, which is listed with an empty label.
unsigned ConnectionLabelId(std::uint32_t connectType);

// What the troubleshooting dialog shows in a mode (0 USB cable, 1 infrared, 2 Bluetooth).
struct TroubleshootTexts {
    unsigned headingId = 0;
    std::vector<unsigned> segmentIds; // in the order they are joined
};
TroubleshootTexts TroubleshootTextsForMode(int mode);

} // namespace hitched
