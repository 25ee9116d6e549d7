#include "app/hitch_app.h"

#include "app/app_names.h"
#include "app/debug_log.h"
#include "app/language_service.h"
#include "app/main_dialog.h"
#include "app/module_file.h"
#include "app/module_paths.h"
#include "app/startup_trace.h"
#include "app/trace_debug_log.h"
#include "platform/wchar_utf16.h"
#include "res/resource.h"
#include "ui/dialog.h"

#include <commctrl.h>

namespace {

// Asks the running instance to show its wizard; BSF_ALLOWSFW lets it come to the front.
void BroadcastShowMessage() {
    const UINT message = ::RegisterWindowMessageW(hitched::kShowWindowMessageName);
    DWORD recipients = BSM_APPLICATIONS;
    ::BroadcastSystemMessageW(hitched::kBroadcastFlags, &recipients, message, 0, 0);
}

} // namespace

CHitchApp::~CHitchApp() {
    delete m_pMainDlg;
}

BOOL CHitchApp::InitInstance() {
    LogStartupStep(L"application"); // what the loader took before: the imported libraries
    // Trace lines of the portable core belong in the same debug log.
    hitched::RouteTraceToDebugLog();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    // Pages may hold rich edit controls; their window class lives in this library.
    ::LoadLibraryW(L"riched20.dll");

    DebugLog(L"create mutex");
    m_hInstanceMutex = ::CreateMutexW(nullptr, FALSE, hitched::kInstanceMutexName);
    if (m_hInstanceMutex != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        BroadcastShowMessage();
        return FALSE;
    }

    DebugLog(L"start app");
    m_strModuleDir = hitched::ModuleDirectoryWithBackslash();
    m_strLangFile =
        hitched::ToWString(hitched::LanguageFilePath(hitched::ToU16String(m_strModuleDir)));
    // Every window asks for its texts by id from here on.
    hitched::SetLanguageSource({::GetModuleHandleW(nullptr), m_strLangFile});
    SetLocalizedAppName();

    m_pMainDlg = NewMainDialog();
    if (m_pMainDlg == nullptr) {
        return FALSE;
    }
    if (!m_pMainDlg->Create(IDD_HITCHED_DIALOG, nullptr)) {
        // Without its window the process could serve nothing and never be shown: end it.
        DebugLog(L"main dialog not created, error %d", static_cast<int>(::GetLastError()));
        m_nExitCode = 1;
        return FALSE;
    }
    m_pMainWnd = m_pMainDlg;
    return TRUE;
}

int CHitchApp::ExitInstance() {
    if (m_hInstanceMutex != nullptr) {
        ::CloseHandle(m_hInstanceMutex);
        m_hInstanceMutex = nullptr;
    }
    if (m_pMainDlg != nullptr) {
        m_pMainWnd = nullptr;
        delete m_pMainDlg;
        m_pMainDlg = nullptr;
    }
    return CWinApp::ExitInstance();
}

void CHitchApp::SetLocalizedAppName() {
    m_strAppName = LoadLangString(AFX_IDS_APP_TITLE);
}
