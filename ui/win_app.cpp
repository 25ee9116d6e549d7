#include "ui/win_app.h"

#include "ui/wnd.h"

namespace {
CWinApp* g_pApp = nullptr;
} // namespace

CWinApp::CWinApp() {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

CWinApp* CWinApp::Current() {
    return g_pApp;
}

void CWinApp::Run() {
    MSG msg{};
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    m_nExitCode = msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : m_nExitCode;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) {
    HWND hMain = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    bool mainVisited = false;
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        if (CWnd* pWnd = CWnd::FromHandlePermanent(hWnd)) {
            if (pWnd->PreTranslateMessage(pMsg)) {
                return TRUE;
            }
        }
        if (hWnd == hMain) {
            mainVisited = true;
            break;
        }
    }
    if (!mainVisited && hMain) {
        return m_pMainWnd->PreTranslateMessage(pMsg);
    }
    return FALSE;
}

int AfxMessageBox(const std::wstring& text, UINT nType) {
    CWinApp* pApp = AfxGetApp();
    HWND hOwner = pApp && pApp->m_pMainWnd ? pApp->m_pMainWnd->m_hWnd : nullptr;
    const wchar_t* caption = pApp ? pApp->m_strAppName.c_str() : L"";
    return ::MessageBoxW(hOwner, text.c_str(), caption, nType);
}

int AfxWinMain(CWinApp& app) {
    if (app.InitInstance()) {
        app.Run();
    }
    return app.ExitInstance();
}
