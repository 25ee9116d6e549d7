// CSkinButton in a real dialog under Wine: the buttons are set up the way the wizard frame
// sets up its own, painted through WM_PRINTCLIENT into a DIB section, and checked pixel by
// pixel against the bitmaps they were given.
#include "controls/skin_button.h"
#include "ui/dialog.h"

#include "skin_button_test_resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

namespace {

const COLORREF kMagenta = RGB(255, 0, 255);
const int kButtonWidth = 97; // the size of the frame's button faces
const int kButtonHeight = 25;

// The pixels of a window's client area as it paints itself.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    COLORREF At(int x, int y) const {
        const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

Capture PrintClient(HWND hWnd) {
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    Capture c;
    c.width = rc.right;
    c.height = rc.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = c.width;
    bi.bmiHeader.biHeight = -c.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC hMem = ::CreateCompatibleDC(nullptr);
    HBITMAP hDib = ::CreateDIBSection(hMem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hMem, hDib);
    // A colour no painting uses, so that unpainted pixels show up.
    const uint32_t unpainted = 0x00123456;
    std::fill_n(static_cast<uint32_t*>(bits), c.width * c.height, unpainted);
    ::SendMessageW(hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hMem), PRF_CLIENT);
    ::GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    c.pixels.assign(p, p + c.width * c.height);
    ::SelectObject(hMem, hOld);
    ::DeleteObject(hDib);
    ::DeleteDC(hMem);
    return c;
}

// A bitmap resource of the test, read back pixel by pixel.
struct ResourceBitmap {
    explicit ResourceBitmap(int id) {
        hBitmap = static_cast<HBITMAP>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
        hDC = ::CreateCompatibleDC(nullptr);
        hOld = ::SelectObject(hDC, hBitmap);
        BITMAP info{};
        ::GetObjectW(hBitmap, sizeof(info), &info);
        width = info.bmWidth;
        height = info.bmHeight;
    }
    ~ResourceBitmap() {
        ::SelectObject(hDC, hOld);
        ::DeleteDC(hDC);
        ::DeleteObject(hBitmap);
    }
    COLORREF At(int x, int y) const { return ::GetPixel(hDC, x, y); }
    HBITMAP hBitmap = nullptr;
    HDC hDC = nullptr;
    HGDIOBJ hOld = nullptr;
    int width = 0;
    int height = 0;
};

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1; // right, bottom inclusive
    bool Empty() const { return right < 0; }
    void Add(int x, int y) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    }
};

template <typename Pred> Box BoxOf(const Capture& c, Pred pred) {
    Box b;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            if (pred(c.At(x, y))) {
                b.Add(x, y);
            }
        }
    }
    return b;
}

Box Difference(const Capture& a, const Capture& b) {
    Box box;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (a.At(x, y) != b.At(x, y)) {
                box.Add(x, y);
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
            b->SetStateBitmaps(135, kMagenta, 131, kMagenta, 132, kMagenta, 131, kMagenta);
            b->SetContentLayout(3, 1, 10, TRUE);
            b->UseParentBackground(FALSE);
            b->SetFlatFocusRect(TRUE, TRUE);
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
        if (HIWORD(wParam) == BN_CLICKED) {
            ++m_clicks[LOWORD(wParam)];
            return TRUE;
        }
        return FALSE;
    }
};

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        // Exact pixel sizes, so that a pixel of the button is a pixel of its face.
        for (int id : {IDC_SKIN_NEXT, IDC_SKIN_CANCEL, IDC_SKIN_CHECK}) {
            ::SetWindowPos(dlg.GetDlgItem(id), nullptr, 0, 0, kButtonWidth, kButtonHeight,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ::SetWindowPos(dlg.m_hWnd, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        Redraw();
    }
    void TearDown() override { dlg.DestroyWindow(); }

    void Redraw() {
        ::RedrawWindow(dlg.m_hWnd, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    LPARAM Centre() const { return MAKELPARAM(kButtonWidth / 2, kButtonHeight / 2); }

    // A point left of the caption where the three faces differ and none is transparent,
    // also one pixel up-left (where a pressed face is read from).
    POINT DistinctPoint() const {
        for (int y = 3; y < kButtonHeight - 3; ++y) {
            for (int x = 3; x < 20; ++x) {
                const COLORREF n = normal.At(x, y), h = hover.At(x, y),
                               p = pressed.At(x - 1, y - 1);
                if (n != kMagenta && h != kMagenta && p != kMagenta && n != h && n != p && h != p) {
                    return {x, y};
                }
            }
        }
        return {-1, -1};
    }

    // The message loop's way with a message: offered to our windows innermost first.
    static void Pump(bool preTranslate) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            bool eaten = false;
            for (HWND h = msg.hwnd; preTranslate && h && !eaten; h = ::GetParent(h)) {
                if (CWnd* w = CWnd::FromHandlePermanent(h)) {
                    eaten = w->PreTranslateMessage(&msg) != FALSE;
                }
            }
            if (!eaten) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
    }

    SkinDialog dlg;
    ResourceBitmap normal{131};
    ResourceBitmap pressed{132};
    ResourceBitmap hover{135};
};

TEST_F(SkinButtonTest, NormalHoveredAndPressedFacesAreDrawn) {
    ASSERT_EQ(normal.width, kButtonWidth);
    const POINT pt = DistinctPoint();
    ASSERT_GE(pt.x, 0) << "the three faces never differ left of the caption";
    HWND hNext = dlg.m_btnNext.m_hWnd;

    EXPECT_EQ(PrintClient(hNext).At(pt.x, pt.y), normal.At(pt.x, pt.y));

    // Entering with the left button held shows no hover.
    ::SendMessageW(hNext, WM_MOUSEMOVE, MK_LBUTTON, Centre());
    EXPECT_FALSE(dlg.m_btnNext.IsHover());
    ::SendMessageW(hNext, WM_MOUSEMOVE, 0, Centre());
    ASSERT_TRUE(dlg.m_btnNext.IsHover());
    EXPECT_EQ(PrintClient(hNext).At(pt.x, pt.y), hover.At(pt.x, pt.y));

    // Pressed: the pressed face one pixel right and down.
    ::SendMessageW(hNext, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(PrintClient(hNext).At(pt.x, pt.y), pressed.At(pt.x - 1, pt.y - 1));
    ::SendMessageW(hNext, BM_SETSTATE, FALSE, 0);

    ::SendMessageW(hNext, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(dlg.m_btnNext.IsHover());
    EXPECT_EQ(PrintClient(hNext).At(pt.x, pt.y), normal.At(pt.x, pt.y));

    // Losing the focus or cancel mode also ends the hover.
    ::SendMessageW(hNext, WM_MOUSEMOVE, 0, Centre());
    ASSERT_TRUE(dlg.m_btnNext.IsHover());
    ::SendMessageW(hNext, WM_CANCELMODE, 0, 0);
    EXPECT_FALSE(dlg.m_btnNext.IsHover());
}

TEST_F(SkinButtonTest, TransparentPixelsShowTheFreshlyPaintedParent) {
    HWND hNext = dlg.m_btnNext.m_hWnd;
    ASSERT_EQ(normal.At(0, 0), kMagenta) << "the face's corner is meant to be transparent";
    EXPECT_EQ(PrintClient(hNext).At(0, 0), RGB(200, 0, 0));

    dlg.m_crSkin = RGB(0, 160, 0);
    Redraw();
    const Capture green = PrintClient(hNext);
    EXPECT_EQ(green.At(0, 0), RGB(0, 160, 0));
    // Opaque pixels are the face's own.
    const POINT pt = DistinctPoint();
    ASSERT_GE(pt.x, 0);
    EXPECT_EQ(green.At(pt.x, pt.y), normal.At(pt.x, pt.y));
    // Every transparent pixel of the face shows the skin, none shows magenta.
    int transparent = 0;
    for (int y = 0; y < kButtonHeight; ++y) {
        for (int x = 0; x < kButtonWidth; ++x) {
            EXPECT_NE(green.At(x, y), kMagenta) << x << "," << y;
            if (normal.At(x, y) == kMagenta) {
                ++transparent;
                EXPECT_EQ(green.At(x, y), RGB(0, 160, 0)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(transparent, 0);
}

TEST_F(SkinButtonTest, CaptionMovesWhenPressedAndIsEngravedWhenDisabled) {
    // Without faces (the hovered id does not exist) the caption alone is drawn on the skin.
    CSkinButton& b = dlg.m_btnCancel;
    EXPECT_EQ(b.SetStateBitmaps(9999, kMagenta, 0, 0, 0, 0, 0, 0), 0u);
    Redraw();
    const COLORREF skin = RGB(200, 0, 0);
    auto ink = [&](COLORREF c) { return c != skin; };
    const Capture up = PrintClient(b.m_hWnd);
    const Box text = BoxOf(up, ink);
    ASSERT_FALSE(text.Empty());
    EXPECT_GT(text.left, 10);
    EXPECT_LT(text.right, kButtonWidth - 10);
    EXPECT_EQ(BoxOf(up, [](COLORREF c) { return c == ::GetSysColor(COLOR_BTNTEXT); }).Empty(),
              false);

    ::SendMessageW(b.m_hWnd, BM_SETSTATE, TRUE, 0);
    const Box down = BoxOf(PrintClient(b.m_hWnd), ink);
    ::SendMessageW(b.m_hWnd, BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(down.left, text.left + 1);
    EXPECT_EQ(down.top, text.top + 1);
    EXPECT_EQ(down.right, text.right + 1);
    EXPECT_EQ(down.bottom, text.bottom + 1);

    // Disabling gives the focus to the next tab item and engraves the caption.
    ::SetFocus(b.m_hWnd);
    ASSERT_EQ(::GetFocus(), b.m_hWnd);
    ::EnableWindow(b.m_hWnd, FALSE);
    EXPECT_EQ(::GetFocus(), dlg.GetDlgItem(IDC_SKIN_CHECK));
    const Capture off = PrintClient(b.m_hWnd);
    const COLORREF light = ::GetSysColor(COLOR_3DHILIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
    const Box lightBox = BoxOf(off, [&](COLORREF c) { return c == light; });
    const Box shadowBox = BoxOf(off, [&](COLORREF c) { return c == shadow; });
    ASSERT_FALSE(lightBox.Empty());
    ASSERT_FALSE(shadowBox.Empty());
    EXPECT_EQ(lightBox.right, shadowBox.right + 1);
    EXPECT_EQ(lightBox.bottom, shadowBox.bottom + 1);
    EXPECT_EQ(shadowBox.left, text.left);
    EXPECT_EQ(shadowBox.top, text.top);
    EXPECT_TRUE(BoxOf(off, [](COLORREF c) { return c == ::GetSysColor(COLOR_BTNTEXT); }).Empty());
}

TEST_F(SkinButtonTest, DisabledShowsTheNormalFace) {
    HWND hNext = dlg.m_btnNext.m_hWnd;
    const POINT pt = DistinctPoint();
    ASSERT_GE(pt.x, 0);
    ::SendMessageW(hNext, WM_MOUSEMOVE, 0, Centre());
    ::EnableWindow(hNext, FALSE);
    EXPECT_FALSE(dlg.m_btnNext.IsHover());
    EXPECT_EQ(PrintClient(hNext).At(pt.x, pt.y), normal.At(pt.x, pt.y));
}

TEST_F(SkinButtonTest, FocusRectangleIsInsetAndMovesDownWhenPressed) {
    HWND hNext = dlg.m_btnNext.m_hWnd;
    ::SetFocus(dlg.GetDlgItem(IDC_PLAIN));
    const Capture plain = PrintClient(hNext);
    ::SetFocus(hNext);
    ASSERT_EQ(::GetFocus(), hNext);
    const Box ring = Difference(plain, PrintClient(hNext));
    ASSERT_FALSE(ring.Empty());
    EXPECT_EQ(ring.left, 10);
    EXPECT_EQ(ring.top, 3);
    EXPECT_GE(ring.right, kButtonWidth - 12);
    EXPECT_LE(ring.right, kButtonWidth - 11);
    EXPECT_GE(ring.bottom, kButtonHeight - 5);
    EXPECT_LE(ring.bottom, kButtonHeight - 4);

    ::SendMessageW(hNext, BM_SETSTATE, TRUE, 0);
    const Capture pressedFocused = PrintClient(hNext);
    ::SetFocus(dlg.GetDlgItem(IDC_PLAIN));
    ::SendMessageW(hNext, BM_SETSTATE, TRUE, 0);
    const Box pressedRing = Difference(PrintClient(hNext), pressedFocused);
    ASSERT_FALSE(pressedRing.Empty());
    EXPECT_EQ(pressedRing.left, 10);
    EXPECT_EQ(pressedRing.top, 5);
    EXPECT_GE(pressedRing.bottom, kButtonHeight - 3);
}

TEST_F(SkinButtonTest, DoubleClickActsAsTwoClicks) {
    HWND hNext = dlg.m_btnNext.m_hWnd;
    auto doubleClick = [&](bool preTranslate) {
        dlg.m_clicks.clear();
        ::PostMessageW(hNext, WM_LBUTTONDOWN, MK_LBUTTON, Centre());
        ::PostMessageW(hNext, WM_LBUTTONUP, 0, Centre());
        ::PostMessageW(hNext, WM_LBUTTONDBLCLK, MK_LBUTTON, Centre());
        ::PostMessageW(hNext, WM_LBUTTONUP, 0, Centre());
        Pump(preTranslate);
        return dlg.m_clicks[IDC_SKIN_NEXT];
    };
    // The control on its own reports a double click instead of the second click.
    EXPECT_EQ(doubleClick(false), 1);
    EXPECT_EQ(doubleClick(true), 2);
    EXPECT_EQ(::GetFocus(), hNext);
}

TEST_F(SkinButtonTest, CheckBoxTogglesOnClickAndDrawsCheckedAsPressed) {
    CSkinButton& box = dlg.m_btnCheck;
    ASSERT_TRUE(box.IsCheckBox());
    EXPECT_EQ(::GetWindowLongW(box.m_hWnd, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    EXPECT_EQ(box.SendMessage(BM_GETCHECK), BST_UNCHECKED);
    auto click = [&] {
        box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Centre());
        box.SendMessage(WM_LBUTTONUP, 0, Centre());
    };
    click();
    EXPECT_EQ(box.SendMessage(BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(dlg.m_clicks[IDC_SKIN_CHECK], 1);
    click();
    EXPECT_EQ(box.SendMessage(BM_GETCHECK), BST_UNCHECKED);

    box.SendMessage(BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_EQ(box.SendMessage(BM_GETCHECK), 1);
    // Checked looks pressed, but a check box does not move.
    const POINT pt = DistinctPoint();
    ASSERT_GE(pt.x, 0);
    ::SetFocus(dlg.GetDlgItem(IDC_PLAIN));
    EXPECT_EQ(PrintClient(box.m_hWnd).At(pt.x, pt.y), pressed.At(pt.x, pt.y));
    box.SendMessage(BM_SETCHECK, 7);
    EXPECT_EQ(box.SendMessage(BM_GETCHECK), 0);
    EXPECT_EQ(PrintClient(box.m_hWnd).At(pt.x, pt.y), normal.At(pt.x, pt.y));

    // Push buttons ignore check states.
    dlg.m_btnCancel.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(dlg.m_btnCancel.SendMessage(BM_GETCHECK), 0);
}

TEST_F(SkinButtonTest, DefaultStyleIsTrackedAndTheControlStaysOwnerDrawn) {
    CSkinButton& next = dlg.m_btnNext;
    EXPECT_TRUE(next.IsDefault());
    EXPECT_FALSE(next.IsCheckBox());
    EXPECT_TRUE(next.SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(dlg.m_btnCancel.SendMessage(WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON);

    next.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(next.IsDefault());
    EXPECT_TRUE(next.SendMessage(WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(::GetWindowLongW(next.m_hWnd, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    next.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(next.IsDefault());
    EXPECT_EQ(::GetWindowLongW(next.m_hWnd, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
}

TEST_F(SkinButtonTest, SettersReportTheirResults) {
    CSkinButton& next = dlg.m_btnNext;
    EXPECT_EQ(next.SetContentLayout(4, DT_LEFT, 7, FALSE), 4u);
    EXPECT_EQ(next.GetContentLayout(), 3);
    EXPECT_EQ(next.GetTextFormat(), static_cast<UINT>(DT_LEFT));
    EXPECT_EQ(next.GetFocusInsetX(), 7);
    EXPECT_EQ(next.SetContentLayout(3, DT_CENTER, 10, FALSE), 0u);

    // A fresh button has no use for the parent's background until told so.
    CSkinButton plain;
    ASSERT_TRUE(plain.SubclassDlgItem(IDC_PLAIN, &dlg));
    HDC hDC = ::GetDC(dlg.m_hWnd);
    EXPECT_EQ(plain.CaptureParentBackground(hDC), 5u);
    plain.UseParentBackground(FALSE);
    EXPECT_EQ(plain.CaptureParentBackground(nullptr), 5u);
    EXPECT_EQ(plain.CaptureParentBackground(hDC), 0u);
    ::ReleaseDC(dlg.m_hWnd, hDC);
    plain.UnsubclassWindow();
}

TEST_F(SkinButtonTest, MissingPressedFaceFallsBackToTheHoveredOne) {
    CSkinButton& next = dlg.m_btnNext;
    EXPECT_EQ(next.SetStateBitmaps(135, kMagenta, 131, kMagenta, 9998, kMagenta, 0, 0), 0u);
    const POINT pt = DistinctPoint();
    ASSERT_GE(pt.x, 0);
    ::SendMessageW(next.m_hWnd, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(PrintClient(next.m_hWnd).At(pt.x, pt.y), hover.At(pt.x - 1, pt.y - 1));
    ::SendMessageW(next.m_hWnd, BM_SETSTATE, FALSE, 0);
    // No disabled face: the hovered one stands in.
    ::EnableWindow(next.m_hWnd, FALSE);
    EXPECT_EQ(PrintClient(next.m_hWnd).At(pt.x, pt.y), hover.At(pt.x, pt.y));
}

} // namespace
