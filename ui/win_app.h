#pragma once
#include <windows.h>

#include <string>

class CWnd;

// The application object: one per process, constructed before the message loop runs.
// AfxWinMain calls InitInstance, runs the message loop while it succeeded, and always ends
// with ExitInstance, whose result is the process exit code.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The application object of the process, or nullptr.
    static CWinApp* Current();

    // FALSE ends the process at once (after ExitInstance).
    virtual BOOL InitInstance() { return TRUE; }
    // Returns the exit code: m_nExitCode, which WM_QUIT's wParam sets.
    virtual int ExitInstance() { return m_nExitCode; }
    // Gets and dispatches messages until WM_QUIT, giving each to PreTranslateMessage first.
    virtual void Run();
    // Offers a message to the windows of ours it is meant for, innermost first, up to the
    // main window, and to the main window in any case; TRUE when one of them ate it.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    CWnd* m_pMainWnd = nullptr;
    // Caption of message boxes that have none of their own.
    std::wstring m_strAppName;
    int m_nExitCode = 0;
};

inline CWinApp* AfxGetApp() {
    return CWinApp::Current();
}

// A message box captioned with the application name.
int AfxMessageBox(const std::wstring& text, UINT nType = MB_OK);

// The body of wWinMain.
int AfxWinMain(CWinApp& app);
