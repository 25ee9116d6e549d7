#include "pages/page_texts.h"

#include "res/resource.h"

namespace hitched {

std::u16string PhoneDisplayName(std::u16string_view manufacturer, std::u16string_view phoneName) {
    if (phoneName.find(manufacturer) != std::u16string_view::npos) {
        return std::u16string(phoneName);
    }
    std::u16string name(manufacturer);
    name += u' ';
    name += phoneName;
    return name;
}

unsigned ConnectionLabelId(std::uint32_t connectType) {
    switch (connectType) {
    case 0:
        return IDS_STRING_COMPLIST_SERIAL;
    case 1:
        return IDS_STRING_COMPLIST_USB;
    case 2:
        return IDS_STRING_COMPLIST_BT;
    case 3:
        return IDS_STRING_COMPLIST_IR;
    default:
        return 0;
    }
}

TroubleshootTexts TroubleshootTextsForMode(int mode) {
    switch (mode) {
    case 1:
        return {IDS_STRING_INFRARED_TROUBLESHOOT,
                {IDS_STRING_IR_ERROR_SEG_1, IDS_STRING_IR_ERROR_SEG_2, IDS_STRING_IR_ERROR_SEG_3,
                 IDS_STRING_IR_ERROR_SEG_4, IDS_STRING_IR_ERROR_SEG_5, IDS_STRING_IR_ERROR_SEG_6,
                 IDS_STRING_IR_ERROR_SEG_7, IDS_STRING_IR_ERROR_SEG_8}};
    case 2:
        return {IDS_STRING_BLUETOOTH_TROUBLESHOOT, {IDS_STRING_BT_ERROR_SEG_1}};
    default:
        // Six consecutive entries; the third one's key is the first segment's, so the text
        // shows segment 1 twice and no segment 3.
        return {IDS_STRING_USB_TROUBLESHOOT,
                {IDS_STRING_USB_ERROR_SEG_1, IDS_STRING_USB_ERROR_SEG_2, IDS_STRING_USB_ERROR_SEG_3,
                 IDS_STRING_USB_ERROR_SEG_4, IDS_STRING_USB_ERROR_SEG_5,
                 IDS_STRING_USB_ERROR_SEG_6}};
    }
}

} // namespace hitched
