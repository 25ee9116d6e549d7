#include "detect/win32_phone_lock.h"

#include "platform/wchar_utf16.h"

namespace hitched {

bool CNamedMutexPhoneLock::Acquire(const std::u16string& name) {
    Release();
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, ToWString(name).c_str());
    const DWORD error = ::GetLastError();
    if (mutex == nullptr) {
        return false;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex); // another program has the phone
        return false;
    }
    m_slot = mutex;
    return true;
}

void CNamedMutexPhoneLock::Release() {
    if (m_slot != nullptr) {
        ::CloseHandle(m_slot);
        m_slot = nullptr;
    }
}

} // namespace hitched
