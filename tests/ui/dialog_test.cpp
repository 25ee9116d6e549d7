// The dialog framework against the system's dialog manager, on a template of its own.
#include "ui/button.h"
#include "ui/dialog.h"
#include "ui/win_app.h"
#include "ui_test_resource.h"
#include "message_pump.h"

#include <gtest/gtest.h>

namespace {

struct CountingButton : CButton {
    int drawn = 0;
    void DrawItem(DRAWITEMSTRUCT*) override { ++drawn; }
};

struct TestDialog : CDialog {
    TestDialog() : CDialog(IDD_UI_TEST) {}

    int closes = 0, cancels = 0, oks = 0;
    HCURSOR dragIcon = nullptr;
    CountingButton ownerDrawn;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        closes += message == WM_CLOSE;
        return CDialog::WindowProc(message, wParam, lParam);
    }
    void DoDataExchange() override { BindControl(IDC_UI_OWNERDRAW, ownerDrawn); }
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) override {
        *pResult = 0x1234;
        return reinterpret_cast<NMHDR*>(lParam)->code == 4242;
    }
    HCURSOR OnQueryDragIcon() override { return dragIcon; }
    void OnOK() override { ++oks; }
    void OnCancel() override { ++cancels; }
};

} // namespace

TEST(Dialog, ItsWindowsLeadBackToItAndEachMessageReachesItsHandlerOnceWithItsResult) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.m_hWnd), &dlg);
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.GetDlgItem(IDC_UI_OWNERDRAW)), &dlg.ownerDrawn);
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.GetDlgItem(IDC_UI_ACTION)), nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(::GetDesktopWindow()), nullptr) << "another process's";
    CDialog missing(IDD_UI_MISSING);
    EXPECT_FALSE(missing.Create());
    EXPECT_EQ(missing.m_hWnd, nullptr);
    ::SendMessageW(dlg.GetDlgItem(IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.oks, 1);
    // The default processing turns SC_CLOSE into WM_CLOSE and WM_CLOSE into IDCANCEL; done
    // twice, the close box would cancel twice.
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    hitched::test::PumpFor(100);
    EXPECT_EQ(dlg.cancels, 1);
    EXPECT_EQ(dlg.closes, 1);
    // Results through DWLP_MSGRESULT, and returned directly: a handle keeps its upper half.
    NMHDR notify{dlg.GetDlgItem(IDC_UI_ACTION), IDC_UI_ACTION, 4242};
    EXPECT_EQ(dlg.SendMessage(WM_NOTIFY, IDC_UI_ACTION, LPARAM(&notify)), 0x1234);
    dlg.dragIcon = reinterpret_cast<HCURSOR>(static_cast<LONG_PTR>(0x76543210123456LL));
    EXPECT_EQ(dlg.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(dlg.dragIcon));
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.hwndItem = dlg.GetDlgItem(IDC_UI_OWNERDRAW);
    EXPECT_EQ(dlg.SendMessage(WM_DRAWITEM, IDC_UI_OWNERDRAW, LPARAM(&draw)), TRUE);
    EXPECT_EQ(dlg.ownerDrawn.drawn, 1) << "the owner-drawn button draws itself";
}

TEST(Dialog, DestroyingTheWindowOrTheObjectDetachesTheOther) {
    HWND hWnd = nullptr;
    {
        TestDialog dlg;
        ASSERT_TRUE(dlg.Create());
        hWnd = dlg.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hWnd));
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    HWND hButton = dlg.GetDlgItem(IDOK);
    {
        CButton bound; // a control outliving its object gets its own procedure back
        ASSERT_TRUE(bound.SubclassWindow(hButton));
    }
    EXPECT_EQ(CWnd::FromHandlePermanent(hButton), nullptr);
    ::SendMessageW(hButton, BM_CLICK, 0, 0); // must not reach the dead object
    EXPECT_EQ(dlg.oks, 1);
    CWinApp app;
    app.m_pMainWnd = &dlg;
    ASSERT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.ownerDrawn.m_hWnd, nullptr);
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "without its main window the message loop ends";
    app.m_pMainWnd = nullptr;
}
