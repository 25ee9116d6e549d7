#include "portservice/connected_phone.h"

namespace hitched {

const char16_t* BluetoothStackName(uint32_t stackType) {
    static const char16_t* const kNames[] = {u"Microsoft", u"Widcomm", u"IVT", u"Toshiba"};
    return stackType < 4 ? kNames[stackType] : u"";
}

} // namespace hitched
