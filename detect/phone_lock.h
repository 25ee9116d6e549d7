#pragma once
// The per-phone lock: a convention between the suite's programs. A phone whose lock name is
// already in use by any process is being used by another program and must not be probed.
#include <string>

#include "contracts/phone_device_info.h"

namespace hitched {

class IPhoneLock {
public:
    virtual ~IPhoneLock() = default;
    // Creates the lock object of that name without owning it; false when it cannot be created
    // or another process already has one of that name (then nothing stays held).
    virtual bool Acquire(const std::u16string& name) = 0;
    // Whether a lock object is held now.
    virtual bool Held() const = 0;
    // Closes the held object; closing is the release, the object is never owned.
    virtual void Release() = 0;
};

// "Quellon-Ostra Hubware(<tszPhoneName>) - <tszIMEI>", the fields as they stand now; a
// backslash in them, which no kernel object name may hold, is written as a slash.
std::u16string PhoneLockName(const _PHONEDEVICEINFO_T& record);

} // namespace hitched
