#pragma once
// The delay event "EnumDeviceDelayEvent" as the monitor sees it: a named manual-reset event
// whose handle belongs to the main dialog.
#include <windows.h>

#include "detect/device_monitor.h"

namespace hitched {

constexpr const wchar_t* kEnumDeviceDelayEventName = L"EnumDeviceDelayEvent";

class CWin32DelayEvent : public IDelayEvent {
public:
    explicit CWin32DelayEvent(HANDLE handle) : m_handle(handle) {}
    void Wait(uint32_t timeoutMs) override { ::WaitForSingleObject(m_handle, timeoutMs); }
    void Set() override { ::SetEvent(m_handle); }
    void Reset() override { ::ResetEvent(m_handle); }

private:
    HANDLE m_handle;
};

} // namespace hitched
