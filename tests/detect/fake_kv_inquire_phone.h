#pragma once
// Tests link this in place of KvInquireInfo.dll: CKvInquirePhone's members call the hooks
// below, so each test decides how phones answer. Reset() restores "nothing is identified".
#include <functional>

#include "detect/kv_inquire_phone.h"

namespace hitched::test {

struct FakeKvInquirePhone {
    static std::function<uint32_t(_PHONEDEVICEINFO_T&)> hitchedPhoneInfo; // empty: answers 1
    static std::function<int(_PHONEDEVICEINFO_T*)> isDavDevice;           // empty: answers 0
    static int alive;     // objects constructed and not yet destroyed
    static int queries;   // HitchedPhoneInfo calls
    static int davChecks; // IsDAVDevice calls
    static void Reset();
};

} // namespace hitched::test
