// CSkinButton in a real dialog under Wine: the buttons are set up the way the program sets up
// its own, painted through WM_PRINTCLIENT and checked pixel by pixel against their faces.
#include "controls/skin_button.h"
#include "ui/dialog.h"
#include "ui/win_app.h"

#include "../support/pixels.h"
#include "skin_button_test_resource.h"

#include <gtest/gtest.h>

#include <map>

using namespace hitched::test;

namespace {

const COLORREF kMagenta = RGB(255, 0, 255);
const int kWidth = 97; // the size of the faces, so that a pixel of the button is one of its face
const int kHeight = 25;
const LPARAM kCentre = MAKELPARAM(kWidth / 2, kHeight / 2);

// Where a pixel's colour was drawn: the smallest box around every pixel that passes.
template <typename Pred> RECT BoxOf(const Pixels& p, Pred pred) {
    RECT box{kWidth, kHeight, -1, -1}; // right and bottom inclusive; right < 0 when empty
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            if (pred(p.At(x, y))) {
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                       std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
            }
        }
    }
    return box;
}

class SkinDialog : public CDialog {
public:
    SkinDialog() : CDialog(IDD_SKIN_TEST) {}
    CSkinButton m_btnNext;
    CSkinButton m_btnCancel;
    CSkinButton m_btnCheck;
    COLORREF m_crSkin = RGB(200, 0, 0);
    std::map<int, int> m_clicks;

protected:
    void DoDataExchange() override {
        BindControl(IDC_SKIN_NEXT, m_btnNext);
        BindControl(IDC_SKIN_CANCEL, m_btnCancel);
        BindControl(IDC_SKIN_CHECK, m_btnCheck);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        for (CSkinButton* b : {&m_btnNext, &m_btnCancel, &m_btnCheck}) {
            SetUpSkinButton(*b, b->GetWindowText(), 135, 131, 132, GetDpi());
        }
        return TRUE;
    }
    // The skin is a plain colour here; each button keeps what lies under it.
    BOOL OnEraseBkgnd(HDC hDC) override {
        RECT rc{};
        GetClientRect(&rc);
        HBRUSH hBrush = ::CreateSolidBrush(m_crSkin);
        ::FillRect(hDC, &rc, hBrush);
        ::DeleteObject(hBrush);
        for (CSkinButton* b : {&m_btnNext, &m_btnCancel, &m_btnCheck}) {
            b->CaptureParentBackground(hDC);
        }
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM) override {
        m_clicks[LOWORD(wParam)] += HIWORD(wParam) == BN_CLICKED;
        return TRUE;
    }
};

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dlg.Create());
        for (int id : {IDC_SKIN_NEXT, IDC_SKIN_CANCEL, IDC_SKIN_CHECK}) {
            ::SetWindowPos(m_dlg.GetDlgItem(id), nullptr, 0, 0, kWidth, kHeight,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ::SetWindowPos(m_dlg.m_hWnd, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        Redraw();
        // A point left of the caption where the three faces differ and none is transparent,
        // also one pixel up-left (where a pressed face is read from).
        for (int y = 3; y < kHeight - 3 && m_pt.x < 0; ++y) {
            for (int x = 3; x < 20 && m_pt.x < 0; ++x) {
                const COLORREF n = normal.At(x, y), h = hover.At(x, y),
                               p = pressed.At(x - 1, y - 1);
                if (n != kMagenta && h != kMagenta && p != kMagenta && n != h && n != p && h != p) {
                    m_pt = {x, y};
                }
            }
        }
        ASSERT_GE(m_pt.x, 0) << "the three faces never differ left of the caption";
    }

    void Redraw() {
        ::RedrawWindow(m_dlg.m_hWnd, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    // The colour of the distinct point as the button paints it now.
    COLORREF AtPoint(CSkinButton& b) { return Print(b.m_hWnd).At(m_pt.x, m_pt.y); }

    SkinDialog m_dlg;
    const Pixels normal = Resource(131);
    const Pixels pressed = Resource(132);
    const Pixels hover = Resource(135);
    POINT m_pt{-1, -1};
};

} // namespace

TEST_F(SkinButtonTest, EachStateDrawsItsFacePressedOnePixelDownRight) {
    CSkinButton& b = m_dlg.m_btnNext;
    EXPECT_EQ(AtPoint(b), normal.At(m_pt.x, m_pt.y));
    ::SendMessageW(b.m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, kCentre);
    EXPECT_FALSE(b.IsHover()) << "entering with the left button held shows no hover";
    for (UINT leave : {WM_MOUSELEAVE, WM_CANCELMODE, WM_KILLFOCUS}) {
        ::SendMessageW(b.m_hWnd, WM_MOUSEMOVE, 0, kCentre);
        ASSERT_TRUE(b.IsHover());
        EXPECT_EQ(AtPoint(b), hover.At(m_pt.x, m_pt.y));
        ::SendMessageW(b.m_hWnd, BM_SETSTATE, TRUE, 0);
        EXPECT_EQ(AtPoint(b), pressed.At(m_pt.x - 1, m_pt.y - 1));
        ::SendMessageW(b.m_hWnd, BM_SETSTATE, FALSE, 0);
        ::SendMessageW(b.m_hWnd, leave, 0, 0);
        EXPECT_FALSE(b.IsHover()) << leave;
        EXPECT_EQ(AtPoint(b), normal.At(m_pt.x, m_pt.y));
    }
    // Disabled: the normal face (the program gives it as the disabled one), hover gone.
    ::SendMessageW(b.m_hWnd, WM_MOUSEMOVE, 0, kCentre);
    ::EnableWindow(b.m_hWnd, FALSE);
    EXPECT_FALSE(b.IsHover());
    EXPECT_EQ(AtPoint(b), normal.At(m_pt.x, m_pt.y));
}

TEST_F(SkinButtonTest, TransparentPixelsShowTheFreshlyPaintedParentAndNoFaceTheHoveredOne) {
    m_dlg.m_crSkin = RGB(0, 160, 0);
    Redraw();
    CSkinButton& b = m_dlg.m_btnNext;
    const Pixels green = Print(b.m_hWnd);
    EXPECT_EQ(green.At(0, 0), RGB(0, 160, 0));
    EXPECT_EQ(green.Count(RGB(0, 160, 0)), normal.Count(kMagenta)) << "and nowhere else";
    EXPECT_EQ(green.At(m_pt.x, m_pt.y), normal.At(m_pt.x, m_pt.y));

    // A face that is missing: the hovered one stands in.
    ASSERT_EQ(b.SetStateBitmaps(135, kMagenta, 131, kMagenta, 9998, kMagenta, 0, 0), 0u);
    ::SendMessageW(b.m_hWnd, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(AtPoint(b), hover.At(m_pt.x - 1, m_pt.y - 1));
    ::SendMessageW(b.m_hWnd, BM_SETSTATE, FALSE, 0);
    ::EnableWindow(b.m_hWnd, FALSE);
    EXPECT_EQ(AtPoint(b), hover.At(m_pt.x, m_pt.y));
}

TEST_F(SkinButtonTest, CaptionMovesWhenPressedAndIsEngravedWhenDisabled) {
    CSkinButton& b = m_dlg.m_btnCancel;
    b.SetStateBitmaps(9999, kMagenta, 0, 0, 0, 0, 0, 0); // the caption alone, on the skin
    Redraw();
    const auto colour = [](COLORREF c) { return [c](COLORREF p) { return p == c; }; };
    const RECT text = BoxOf(Print(b.m_hWnd), [](COLORREF c) { return c != RGB(200, 0, 0); });
    ASSERT_TRUE(text.left > 10 && text.right < kWidth - 10 && text.right >= 0) << "centred";
    EXPECT_GE(BoxOf(Print(b.m_hWnd), colour(::GetSysColor(COLOR_BTNTEXT))).right, 0);
    const Pixels up = Print(b.m_hWnd);
    ::SendMessageW(b.m_hWnd, BM_SETSTATE, TRUE, 0);
    const Pixels down = Print(b.m_hWnd);
    ::SendMessageW(b.m_hWnd, BM_SETSTATE, FALSE, 0);
    for (int i = 0; i < kWidth * kHeight; ++i) { // pressed: one pixel down and right
        const int x = i % kWidth, y = i / kWidth;
        ASSERT_EQ(down.At(x, y), x && y ? up.At(x - 1, y - 1) : RGB(200, 0, 0)) << x << "," << y;
    }

    // Disabling gives the focus to the next tab item and engraves the caption: a light copy
    // one pixel down-right of a shadow-coloured one.
    ::SetFocus(b.m_hWnd);
    ::EnableWindow(b.m_hWnd, FALSE);
    EXPECT_EQ(::GetFocus(), m_dlg.GetDlgItem(IDC_SKIN_CHECK));
    const Pixels off = Print(b.m_hWnd);
    const RECT light = BoxOf(off, colour(::GetSysColor(COLOR_3DHILIGHT)));
    const RECT shadow = BoxOf(off, colour(::GetSysColor(COLOR_3DSHADOW)));
    EXPECT_EQ(shadow.left, text.left);
    EXPECT_EQ(shadow.top, text.top);
    EXPECT_EQ(light.right, shadow.right + 1);
    EXPECT_EQ(light.bottom, shadow.bottom + 1);
    EXPECT_LT(BoxOf(off, colour(::GetSysColor(COLOR_BTNTEXT))).right, 0);
}

TEST_F(SkinButtonTest, FocusRectangleIsInsetAndMovesDownWhenPressed) {
    HWND hNext = m_dlg.m_btnNext.m_hWnd;
    for (int down : {0, 1}) {
        ::SetFocus(hNext);
        ::SendMessageW(hNext, BM_SETSTATE, down, 0);
        Pixels ring = Print(hNext);
        ::SetFocus(m_dlg.GetDlgItem(IDC_PLAIN));
        ::SendMessageW(hNext, BM_SETSTATE, down, 0);
        const Pixels plain = Print(hNext);
        for (size_t i = 0; i < ring.bits.size(); ++i) {
            ring.bits[i] = ring.bits[i] != plain.bits[i];
        }
        const RECT box = BoxOf(ring, [](COLORREF c) { return c != 0; });
        EXPECT_EQ(box.left, 10) << down;
        EXPECT_EQ(box.top, 3 + 2 * down);
        EXPECT_TRUE(box.right >= kWidth - 12 && box.right <= kWidth - 11) << box.right;
        EXPECT_TRUE(box.bottom >= kHeight - 5 + 2 * down && box.bottom <= kHeight - 4 + 2 * down);
    }
}

TEST_F(SkinButtonTest, DoubleClickActsAsTwoClicksInTheMessageLoop) {
    CWinApp app; // the program's loop: the control alone reports a double click instead
    HWND hNext = m_dlg.m_btnNext.m_hWnd;
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
        ::PostMessageW(hNext, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, kCentre);
    }
    ::PostQuitMessage(0);
    app.Run();
    EXPECT_EQ(m_dlg.m_clicks[IDC_SKIN_NEXT], 2);
    EXPECT_EQ(::GetFocus(), hNext);
}

TEST_F(SkinButtonTest, CheckBoxTogglesOnClickAndDrawsCheckedAsPressedWithoutMoving) {
    CSkinButton& box = m_dlg.m_btnCheck;
    ASSERT_TRUE(box.IsCheckBox());
    for (LRESULT state : {BST_CHECKED, BST_UNCHECKED}) {
        box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, kCentre);
        box.SendMessage(WM_LBUTTONUP, 0, kCentre);
        EXPECT_EQ(box.SendMessage(BM_GETCHECK), state);
    }
    EXPECT_EQ(m_dlg.m_clicks[IDC_SKIN_CHECK], 2);
    ::SetFocus(m_dlg.GetDlgItem(IDC_PLAIN)); // no focus rectangle over the point
    const int states[][2] = {{BST_INDETERMINATE, 1}, {7, 0}, {BST_CHECKED, 1}, {BST_UNCHECKED, 0}};
    for (const auto& [set, got] : states) {
        box.SendMessage(BM_SETCHECK, set);
        EXPECT_EQ(box.SendMessage(BM_GETCHECK), got) << set;
        EXPECT_EQ(AtPoint(box), (got ? pressed : normal).At(m_pt.x, m_pt.y)) << set;
    }
    m_dlg.m_btnCancel.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(m_dlg.m_btnCancel.SendMessage(BM_GETCHECK), 0) << "push buttons have no state";
}

TEST_F(SkinButtonTest, StyleAndLayoutChangesKeepItAnOwnerDrawnOverlappingFace) {
    CSkinButton& next = m_dlg.m_btnNext;
    EXPECT_TRUE(next.SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(m_dlg.m_btnCancel.SendMessage(WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON);
    for (UINT style : {BS_PUSHBUTTON, BS_DEFPUSHBUTTON}) {
        next.SendMessage(BM_SETSTYLE, style, TRUE);
        EXPECT_EQ(next.IsDefault(), style == BS_DEFPUSHBUTTON);
        EXPECT_TRUE(next.SendMessage(WM_GETDLGCODE) &
                    (style == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON));
        EXPECT_EQ(::GetWindowLongW(next.m_hWnd, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    }
    // Layouts up to the overlapping one are taken, any beyond it refused.
    EXPECT_EQ(next.SetContentLayout(CSkinButton::BTNST_ALIGN_OVERLAP, DT_CENTER, 10, FALSE), 0u);
    EXPECT_EQ(next.SetContentLayout(4, DT_CENTER, 10, FALSE), 4u);
    EXPECT_EQ(next.GetContentLayout(), CSkinButton::BTNST_ALIGN_OVERLAP);
}
