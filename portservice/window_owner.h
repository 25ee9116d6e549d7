#pragma once
#include <windows.h>

#include "app/app_names.h"
#include "portservice/port_service_owner.h"

namespace hitched {

// Sent by the port service to the main window when a client switches a connection type:
// wParam the type code, lParam 1 to enable, 0 to disable.
constexpr UINT WM_CONNECT_TYPE_SWITCH = WM_USER + 1111;
// Set by a push of an empty list; its handler repeats the empty push once.
constexpr UINT_PTR kRetryPushTimerId = 103;
constexpr UINT kRetryPushTimerMs = 5000;
// A timer can only be set or killed by the thread that owns its window, and broadcasts run on
// the monitor and connection threads: from those the owner posts this to the main window
// instead (wParam 1 set, 0 kill), which hands it to HandleRetryTimerRequest. Posted messages
// come before any WM_TIMER, so a kill asked for is never overtaken by the timer.
constexpr UINT WM_RETRY_TIMER_REQUEST = WM_APP + 0x103;
void HandleRetryTimerRequest(HWND mainWnd, WPARAM wParam);
// Creates the manual-reset start-up event (kStartupEventName) if needed and sets it: launchers
// see that this program is up, or gave up trying.
void SetStartedEvent();

// The port service's owner on Windows: the main dialog's window.
class CWindowPortServiceOwner : public IPortServiceOwner {
public:
    // ownerWnd receives WM_CONNECT_TYPE_SWITCH; mainWnd carries the retry timer (the
    // application's main window; null: no timer). Also routes the core's trace to DebugLog.
    CWindowPortServiceOwner(HWND ownerWnd, HWND mainWnd);

    void OnConnectTypeSwitch(int typeCode, bool enable) override;
    void SetRetryTimer() override;
    void KillRetryTimer() override;
    void SignalStarted() override;
    void ServePendingCalls() override;

private:
    HWND m_hOwnerWnd;
    HWND m_hMainWnd;
};

} // namespace hitched
