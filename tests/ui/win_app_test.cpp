#include "ui/dialog.h"
#include "ui/win_app.h"
#include "ui_test_resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ScriptedApp : public CWinApp {
public:
    BOOL initResult = TRUE;
    std::vector<const char*> calls;
    std::vector<UINT> pretranslated;

    BOOL InitInstance() override {
        calls.push_back("init");
        if (initResult) {
            // Work for the loop, then the end of it.
            ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 1, 0, 0);
            ::PostQuitMessage(5);
        }
        return initResult;
    }
    int ExitInstance() override {
        calls.push_back("exit");
        return CWinApp::ExitInstance() + 100;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        pretranslated.push_back(pMsg->message);
        return CWinApp::PreTranslateMessage(pMsg);
    }
};

void CALLBACK QuitWith99(HWND, UINT, UINT_PTR, DWORD) {
    ::PostQuitMessage(99);
}

} // namespace

TEST(WinApp, OneApplicationObjectAtATime) {
    EXPECT_EQ(AfxGetApp(), nullptr);
    {
        CWinApp app;
        EXPECT_EQ(AfxGetApp(), &app);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST(WinApp, LoopRunsUntilQuitAndItsCodeIsTheExitCode) {
    ScriptedApp app;
    EXPECT_EQ(AfxWinMain(app), 105);
    EXPECT_EQ(app.calls, (std::vector<const char*>{"init", "exit"}));
    ASSERT_EQ(app.pretranslated.size(), 1u) << "the posted message, not WM_QUIT";
    EXPECT_EQ(app.pretranslated[0], static_cast<UINT>(WM_APP + 1));
}

TEST(WinApp, FailedInitialisationSkipsTheLoopButStillExits) {
    ScriptedApp app;
    app.initResult = FALSE;
    app.m_nExitCode = 3;
    EXPECT_EQ(AfxWinMain(app), 103);
    EXPECT_EQ(app.calls, (std::vector<const char*>{"init", "exit"}));
    EXPECT_TRUE(app.pretranslated.empty());
}

TEST(WinApp, LosingTheMainWindowEndsTheLoop) {
    CWinApp app;
    CDialog dlg(IDD_UI_TEST);
    ASSERT_TRUE(dlg.Create());
    app.m_pMainWnd = &dlg;
    dlg.DestroyWindow();
    // Should the main window's end post no WM_QUIT, this one ends the loop with another code.
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, &QuitWith99);
    app.Run();
    ::KillTimer(nullptr, guard);
    EXPECT_EQ(app.m_nExitCode, 0);
    EXPECT_EQ(app.m_pMainWnd->m_hWnd, nullptr);
    app.m_pMainWnd = nullptr;
}
