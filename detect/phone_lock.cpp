#include "detect/phone_lock.h"

#include "contracts/utf16_field.h"

namespace hitched {

namespace {

// A backslash separates the namespaces of kernel object names: in a name it makes the
// creation fail. It becomes a slash; the fields' other units can all stand in a name.
void AppendForName(std::u16string& name, std::u16string_view text) {
    for (char16_t c : text) {
        name += c == u'\\' ? u'/' : c;
    }
}

} // namespace

std::u16string PhoneLockName(const _PHONEDEVICEINFO_T& record) {
    std::u16string name = u"Quellon-Ostra Hubware(";
    AppendForName(name, FieldView(record.tszPhoneName));
    name += u") - ";
    AppendForName(name, FieldView(record.tszIMEI));
    return name;
}

} // namespace hitched
