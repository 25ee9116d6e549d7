#include "ui/button.h"
#include "ui/dialog.h"
#include "ui/win_app.h"
#include "ui_test_resource.h"
#include "message_pump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hitched::test::PumpUntil;

class CountingButton : public CButton {
public:
    int drawn = 0;
    UINT lastItemId = 0;

protected:
    void DrawItem(DRAWITEMSTRUCT* pDraw) override {
        ++drawn;
        lastItemId = pDraw->CtlID;
    }
};

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(IDD_UI_TEST) {}

    HWND hwndAtInit = nullptr;
    bool actionFoundAtInit = false;
    std::vector<UINT> commands;
    int cancels = 0;
    int oks = 0;
    std::vector<UINT_PTR> timers;
    std::vector<UINT> seen; // every message WindowProc saw
    LRESULT notifyResult = 0;
    HCURSOR dragIcon = nullptr;
    int postNcDestroys = 0;
    UINT eatKey = 0; // a key PreTranslateMessage swallows
    CountingButton ownerDrawn;

    using CDialog::DefWindowProc;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        return CDialog::WindowProc(message, wParam, lParam);
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (eatKey != 0 && pMsg->message == WM_KEYDOWN && pMsg->wParam == eatKey) {
            return TRUE;
        }
        return CDialog::PreTranslateMessage(pMsg);
    }

protected:
    BOOL OnInitDialog() override {
        hwndAtInit = m_hWnd;
        actionFoundAtInit = GetDlgItem(IDC_UI_ACTION) != nullptr;
        return CDialog::OnInitDialog();
    }
    void DoDataExchange() override { BindControl(IDC_UI_OWNERDRAW, ownerDrawn); }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(LOWORD(wParam));
        return CDialog::OnCommand(wParam, lParam);
    }
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) override {
        if (reinterpret_cast<NMHDR*>(lParam)->code != 4242) {
            return FALSE;
        }
        *pResult = notifyResult;
        return TRUE;
    }
    HCURSOR OnQueryDragIcon() override { return dragIcon; }
    void OnTimer(UINT_PTR nIDEvent) override { timers.push_back(nIDEvent); }
    void OnOK() override { ++oks; }
    void OnCancel() override { ++cancels; }
    void PostNcDestroy() override { ++postNcDestroys; }
};

size_t Count(const std::vector<UINT>& values, UINT value) {
    size_t n = 0;
    for (UINT v : values) {
        n += v == value;
    }
    return n;
}

} // namespace

TEST(Dialog, CreateRunsOnInitDialogWithTheWindowAttachedAndKeepsThisInUserData) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.hwndAtInit, dlg.m_hWnd);
    EXPECT_TRUE(dlg.actionFoundAtInit);
    EXPECT_EQ(::GetWindowLongPtrW(dlg.m_hWnd, DWLP_USER), reinterpret_cast<LONG_PTR>(&dlg));
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.m_hWnd), &dlg);
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.GetDlgItem(IDC_UI_OWNERDRAW)), &dlg.ownerDrawn);
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.GetDlgItem(IDC_UI_ACTION)), nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(::GetDesktopWindow()), nullptr);
    EXPECT_FALSE(dlg.Create()) << "a second Create on a live dialog";
}

TEST(Dialog, MissingTemplateFailsWithoutAWindow) {
    CDialog dlg(IDD_UI_MISSING);
    EXPECT_FALSE(dlg.Create());
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(Dialog, ButtonClicksReachOnCommandAndCancelOrOk) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    ::SendMessageW(dlg.GetDlgItem(IDC_UI_ACTION), BM_CLICK, 0, 0);
    ::SendMessageW(dlg.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0);
    ::SendMessageW(dlg.GetDlgItem(IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.commands, (std::vector<UINT>{IDC_UI_ACTION, IDCANCEL, IDOK}));
    EXPECT_EQ(dlg.cancels, 1);
    EXPECT_EQ(dlg.oks, 1);
}

TEST(Dialog, CloseBoxArrivesAsOneCancel) {
    // The system's default processing turns SC_CLOSE into WM_CLOSE and WM_CLOSE into IDCANCEL;
    // done twice, it would cancel twice.
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpUntil([&] { return dlg.cancels > 0; });
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(dlg.cancels, 1);
    EXPECT_EQ(Count(dlg.seen, WM_CLOSE), 1u);
}

TEST(Dialog, WindowProcSeesEveryMessageAndUnhandledOnesGetTheDefault) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    const UINT custom = ::RegisterWindowMessageW(L"hitched-ui-test-message");
    dlg.SendMessage(custom, 1, 2);
    EXPECT_EQ(Count(dlg.seen, custom), 1u);
    // The default processing sets and reads the caption; its results come back unchanged.
    EXPECT_TRUE(::SetWindowTextW(dlg.m_hWnd, L"Changed caption"));
    EXPECT_EQ(dlg.SendMessage(WM_GETTEXTLENGTH), 15);
    EXPECT_EQ(dlg.GetWindowText(), L"Changed caption");
    EXPECT_EQ(Count(dlg.seen, WM_SETTEXT), 1u);
}

TEST(Dialog, HandlerResultsReachTheSenderInFull) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    // Through DWLP_MSGRESULT.
    dlg.notifyResult = 0x1234;
    NMHDR header{dlg.GetDlgItem(IDC_UI_ACTION), IDC_UI_ACTION, 4242};
    EXPECT_EQ(dlg.SendMessage(WM_NOTIFY, IDC_UI_ACTION, reinterpret_cast<LPARAM>(&header)), 0x1234);
    // Returned directly: a handle must not lose its upper half on 64 bits.
    dlg.dragIcon = reinterpret_cast<HCURSOR>(static_cast<LONG_PTR>(0x7654321012345678LL >> 8));
    EXPECT_EQ(dlg.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(dlg.dragIcon));
    // A notification nobody handles answers the default 0.
    NMHDR other{dlg.GetDlgItem(IDC_UI_ACTION), IDC_UI_ACTION, 1};
    EXPECT_EQ(dlg.SendMessage(WM_NOTIFY, IDC_UI_ACTION, reinterpret_cast<LPARAM>(&other)), 0);
}

TEST(Dialog, TimersReachOnTimer) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.SetTimer(7, 10);
    EXPECT_TRUE(PumpUntil([&] { return !dlg.timers.empty(); }));
    dlg.KillTimer(7);
    ASSERT_FALSE(dlg.timers.empty());
    EXPECT_EQ(dlg.timers.front(), 7u);
}

TEST(Dialog, OwnerDrawnButtonDrawsItself) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = IDC_UI_OWNERDRAW;
    draw.hwndItem = dlg.GetDlgItem(IDC_UI_OWNERDRAW);
    EXPECT_EQ(dlg.SendMessage(WM_DRAWITEM, IDC_UI_OWNERDRAW, reinterpret_cast<LPARAM>(&draw)),
              TRUE);
    EXPECT_EQ(dlg.ownerDrawn.drawn, 1);
    EXPECT_EQ(dlg.ownerDrawn.lastItemId, static_cast<UINT>(IDC_UI_OWNERDRAW));
    // A subclassed control still does its own work: the button answers its own messages.
    EXPECT_EQ(::SendMessageW(draw.hwndItem, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON, DLGC_BUTTON);
}

TEST(Dialog, KeyboardInputGoesThroughTheDialogManager) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    CWinApp app;
    app.m_pMainWnd = &dlg;
    // Escape on a control of the dialog becomes IDCANCEL, handled before dispatch.
    MSG escape{dlg.GetDlgItem(IDC_UI_ACTION), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
    EXPECT_TRUE(app.PreTranslateMessage(&escape));
    EXPECT_EQ(dlg.cancels, 1);
    // An override up the parent chain sees a child's message first.
    dlg.eatKey = VK_F5;
    MSG f5{dlg.GetDlgItem(IDC_UI_EDIT), WM_KEYDOWN, VK_F5, 0, 0, {0, 0}};
    EXPECT_TRUE(app.PreTranslateMessage(&f5));
    // Messages that are not input pass untouched.
    MSG paint{dlg.m_hWnd, WM_PAINT, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(app.PreTranslateMessage(&paint));
    app.m_pMainWnd = nullptr;
}

TEST(Dialog, DestroyedWindowDetachesTheObjectAndDestroyedObjectTakesItsWindow) {
    HWND hWnd = nullptr;
    HWND hButton = nullptr;
    {
        TestDialog dlg;
        ASSERT_TRUE(dlg.Create());
        hWnd = dlg.m_hWnd;
        hButton = dlg.GetDlgItem(IDC_UI_OWNERDRAW);
    }
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_FALSE(::IsWindow(hButton));

    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.postNcDestroys, 1);
    EXPECT_EQ(dlg.ownerDrawn.m_hWnd, nullptr);
}

TEST(Dialog, ControlOutlivingItsObjectGetsItsOwnProcedureBack) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    HWND hButton = dlg.GetDlgItem(IDC_UI_ACTION);
    {
        CButton bound;
        ASSERT_TRUE(bound.SubclassWindow(hButton));
        EXPECT_EQ(CWnd::FromHandlePermanent(hButton), &bound);
    }
    EXPECT_EQ(CWnd::FromHandlePermanent(hButton), nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(hButton, GWLP_USERDATA), 0);
    ::SendMessageW(hButton, BM_CLICK, 0, 0); // must not reach the dead object
    EXPECT_EQ(dlg.commands, std::vector<UINT>{IDC_UI_ACTION});
}
