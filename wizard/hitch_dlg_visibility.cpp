// How the frame becomes visible, answers the suite's show and hide requests, and hands over
// to the suite when the user leaves it.
#include "wizard/hitch_dlg.h"

#include "app/app_names.h"
#include "app/debug_log.h"
#include "portservice/window_owner.h"

#include <cwchar>

void CHitchDlg::ChooseInitialVisibility() {
    const wchar_t* commandLine = ::GetCommandLineW();
    DebugLog(L"--Server cmdline: %s", commandLine);
    // A launcher that only wants the port service puts the hide name anywhere in the line.
    if (commandLine != nullptr && std::wcsstr(commandLine, hitched::kHideWindowMessageName)) {
        DebugLog(L"hide server window");
        ShowWindow(SW_FORCEMINIMIZE);
    } else {
        ShowWindow(SW_SHOWNORMAL);
    }
}

void CHitchDlg::RegisterShowHideMessages() {
    m_MsgHideWindow = ::RegisterWindowMessageW(hitched::kHideWindowMessageName);
    m_MsgShowWindow = ::RegisterWindowMessageW(hitched::kShowWindowMessageName);
    DebugLog(L"--m_MsgHideWindow = %d", static_cast<int>(m_MsgHideWindow));
    DebugLog(L"--m_MsgShowWindow = %d", static_cast<int>(m_MsgShowWindow));
}

void CHitchDlg::SignalStartupEvent() {
    // A launcher holding the event open sees it set; nobody needs it kept open here.
    hitched::SetStartedEvent();
}

void CHitchDlg::ShowOnRequest() {
    DebugLog(L"--show hitched dlg :%d", static_cast<int>(m_MsgShowWindow));
    // Passing through minimised makes the window manager restore and raise it even when it
    // was visible but buried under other windows.
    if (!IsIconic()) {
        ShowWindow(SW_HIDE);
        ShowWindow(SW_MINIMIZE);
    }
    ShowWindow(SW_SHOWNORMAL);
    SetForegroundWindow();
}

void CHitchDlg::HideOnRequest() {
    DebugLog(L"--hide hitched dlg :%d", static_cast<int>(m_MsgHideWindow));
    ShowWindow(SW_FORCEMINIMIZE);
    ShowWindow(SW_HIDE);
}

void CHitchDlg::OnCancel() {
    // Cancel during a Bluetooth attempt ends the attempt; the wizard stays where it is.
    if (CancelBtAttempt()) {
        return;
    }
    // Leaving the wizard only hides it: the port service keeps serving.
    ShowWindow(SW_HIDE);
    StopCableDetect();
    StopDetection();
    if (m_hCheckBtServiceEvent != nullptr) {
        ::SetEvent(m_hCheckBtServiceEvent);
    }
    // The next time it is shown, the wizard starts afresh.
    ShowPage(IsWizardShown() ? PAGE_WELCOME : PAGE_SELECT_TYPE);
    BroadcastLaunchMessage();
}

void CHitchDlg::BroadcastLaunchMessage() {
    const UINT message = ::RegisterWindowMessageW(hitched::kLaunchApplicationMessageName);
    DWORD recipients = BSM_APPLICATIONS;
    ::BroadcastSystemMessageW(hitched::kBroadcastFlags, &recipients, message, 0, 0);
}
