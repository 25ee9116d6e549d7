#include "ui/win_app.h"

#include <gtest/gtest.h>

namespace {

// A good start leaves the loop a message to handle and then its end, with code 5.
struct ScriptedApp : CWinApp {
    BOOL started = TRUE;
    int handled = 0;
    BOOL InitInstance() override {
        if (started) {
            ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 1, 0, 0);
            ::PostQuitMessage(5);
        }
        return started;
    }
    int ExitInstance() override { return CWinApp::ExitInstance() + 100; }
    BOOL PreTranslateMessage(MSG*) override { return ++handled, FALSE; }
};

} // namespace

TEST(WinApp, TheLoopRunsOnlyAfterAGoodStartAndExitInstanceGivesTheExitCode) {
    ScriptedApp app;
    EXPECT_EQ(AfxWinMain(app), 105);
    EXPECT_EQ(app.handled, 1) << "the posted message, not WM_QUIT";
    app.started = FALSE;
    app.m_nExitCode = 3;
    EXPECT_EQ(AfxWinMain(app), 103);
    EXPECT_EQ(app.handled, 1);
}
