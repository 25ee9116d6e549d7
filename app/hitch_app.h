#pragma once
#include "ui/win_app.h"

#include <string>

class CDialog;

// The application object: holds the single-instance mutex, the paths everything else uses,
// and the main dialog, which lives (shown or hidden) until the process ends.
class CHitchApp : public CWinApp {
public:
    CHitchApp() = default;
    ~CHitchApp() override;

    // Start-up: a second instance only asks the running one to show its wizard and returns
    // FALSE; the first one creates the main dialog, whose initialisation does the rest.
    BOOL InitInstance() override;
    // Releases the mutex and deletes the main dialog (which stops its threads and services).
    int ExitInstance() override;
    // The application name becomes the localized title (message-box captions use it).
    void SetLocalizedAppName();

    std::wstring m_strModuleDir; // with its trailing backslash
    std::wstring m_strLangFile;  // handed to the language service at start-up
    HANDLE m_hInstanceMutex = nullptr;
    CDialog* m_pMainDlg = nullptr; // the wizard frame
};
