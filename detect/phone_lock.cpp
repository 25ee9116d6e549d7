#include "detect/phone_lock.h"

#include "contracts/utf16_field.h"

namespace hitched {

std::u16string PhoneLockName(const _PHONEDEVICEINFO_T& record) {
    std::u16string name = u"Quellon-Ostra Hubware(";
    name += FieldView(record.tszPhoneName);
    name += u") - ";
    name += FieldView(record.tszIMEI);
    return name;
}

} // namespace hitched
