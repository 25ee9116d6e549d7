#include "portservice/window_owner.h"

#include "app/trace_debug_log.h"

namespace hitched {

void SetStartedEvent() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, kStartupEventName);
    if (event != nullptr) {
        SetEvent(event);
        CloseHandle(event);
    }
}

CWindowPortServiceOwner::CWindowPortServiceOwner(HWND ownerWnd, HWND mainWnd)
    : m_hOwnerWnd(ownerWnd), m_hMainWnd(mainWnd) {
    // The port service's trace lines belong in the program's debug log.
    RouteTraceToDebugLog();
}

void CWindowPortServiceOwner::OnConnectTypeSwitch(int typeCode, bool enable) {
    if (m_hOwnerWnd != nullptr)
        SendMessageW(m_hOwnerWnd, WM_CONNECT_TYPE_SWITCH, static_cast<WPARAM>(typeCode),
                     enable ? 1 : 0);
}

namespace {

void RequestRetryTimer(HWND mainWnd, bool set) {
    if (mainWnd == nullptr) {
        return;
    }
    if (GetWindowThreadProcessId(mainWnd, nullptr) == GetCurrentThreadId()) {
        HandleRetryTimerRequest(mainWnd, set ? 1 : 0);
    } else {
        PostMessageW(mainWnd, WM_RETRY_TIMER_REQUEST, set ? 1 : 0, 0);
    }
}

} // namespace

void HandleRetryTimerRequest(HWND mainWnd, WPARAM wParam) {
    if (wParam != 0) {
        SetTimer(mainWnd, kRetryPushTimerId, kRetryPushTimerMs, nullptr);
    } else {
        KillTimer(mainWnd, kRetryPushTimerId);
    }
}

void CWindowPortServiceOwner::SetRetryTimer() {
    RequestRetryTimer(m_hMainWnd, true);
}

void CWindowPortServiceOwner::KillRetryTimer() {
    RequestRetryTimer(m_hMainWnd, false);
}

void CWindowPortServiceOwner::SignalStarted() {
    SetStartedEvent();
}

void CWindowPortServiceOwner::ServePendingCalls() {
    // Delivers messages sent to this thread's windows (a connection thread's
    // WM_CONNECT_TYPE_SWITCH) without taking anything from the posted queue.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

} // namespace hitched
