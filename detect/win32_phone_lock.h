#pragma once
// The per-phone lock as the suite's programs share it: a named mutex created without an owner.
// Whoever has one of that name open holds the phone; closing the handle lets go.
#include <windows.h>

#include "detect/phone_lock.h"

namespace hitched {

class CNamedMutexPhoneLock : public IPhoneLock {
public:
    // slot is the owner's m_hPhoneMutex: the handle lives there while held.
    explicit CNamedMutexPhoneLock(HANDLE& slot) : m_slot(slot) {}
    bool Acquire(const std::u16string& name) override;
    bool Held() const override { return m_slot != nullptr; }
    void Release() override;

private:
    HANDLE& m_slot;
};

} // namespace hitched
