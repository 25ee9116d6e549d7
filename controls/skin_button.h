#pragma once
#include "ui/button.h"

#include <string>

// A push button (or check box) painted from state bitmaps over the piece of its parent's skin
// behind it, with its caption centred on top, a hover state from mouse tracking and a focus
// rectangle. The parent subclasses an existing dialog control with it, gives it bitmaps and
// layout once, and hands it its freshly painted background from its erase handler.
class CSkinButton : public CButton {
public:
    // Entries of the state bitmap table; entry 0 stands in for every missing one.
    enum { BTNST_HOVER = 0, BTNST_NORMAL = 1, BTNST_PRESSED = 2, BTNST_DISABLED = 3 };
    // Colour table slots.
    enum {
        BTNST_COLOR_BK_IN = 0,
        BTNST_COLOR_FG_IN = 1,
        BTNST_COLOR_BK_OUT = 2,
        BTNST_COLOR_FG_OUT = 3,
        BTNST_COLOR_BK_FOCUS = 4,
        BTNST_COLOR_FG_FOCUS = 5,
        BTNST_MAX_COLORS = 6
    };
    // Results of the setters.
    enum {
        BTNST_OK = 0,
        BTNST_INVALIDRESOURCE = 1,
        BTNST_FAILEDMASK = 2,
        BTNST_INVALIDALIGN = 4,
        BTNST_BADPARAM = 5
    };
    // Content layouts; the program uses BTNST_ALIGN_OVERLAP.
    enum {
        BTNST_ALIGN_HORIZ = 0,
        BTNST_ALIGN_VERT = 1,
        BTNST_ALIGN_HORIZ_RIGHT = 2,
        BTNST_ALIGN_OVERLAP = 3
    };

    CSkinButton();
    ~CSkinButton() override;

    // Four (resource id, transparent colour) pairs: hovered, normal, pressed, disabled. Ids of
    // the last three may be 0. A bitmap that does not load counts as absent.
    DWORD SetStateBitmaps(int nHover, COLORREF crHover, int nNormal, COLORREF crNormal,
                          int nPressed, COLORREF crPressed, int nDisabled, COLORREF crDisabled);
    DWORD SetContentLayout(BYTE byLayout, UINT nTextFormat, int nFocusInsetX, BOOL bRepaint);
    DWORD UseParentBackground(BOOL bRepaint);
    DWORD SetFlatFocusRect(BOOL bFlatFocus, BOOL bRepaint);
    // Keeps a copy of the parent's background under the button; the parent calls it from its
    // erase handler after painting its skin into hParentDC.
    DWORD CaptureParentBackground(HDC hParentDC);

    BOOL IsHover() const { return m_bHover; }
    BOOL IsDefault() const { return m_bIsDefault; }
    BOOL IsCheckBox() const { return m_bIsCheckBox; }
    BYTE GetContentLayout() const { return m_byContentLayout; }
    UINT GetTextFormat() const { return m_nTextFormat; }
    int GetFocusInsetX() const { return m_nFocusInsetX; }
    // The size of the normal face (else the hovered one); zero without faces.
    SIZE GetFaceSize() const;

    // A double click of the left button becomes a plain button-down: two quick clicks are
    // two clicks.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    void DrawItem(DRAWITEMSTRUCT* pDraw) override;
    virtual DWORD FillBackground(HDC hDC, const RECT* pRect);
    virtual DWORD DrawBitmapImage(HDC hDC, const RECT* pItem, RECT* pCaption, BOOL bPressed,
                                  BOOL bDisabled);
    virtual DWORD DrawCaption(HDC hDC, const std::wstring& text, const RECT* pItem, RECT* pCaption,
                              BOOL bPressed, BOOL bDisabled);

    void PreSubclassWindow() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    struct STATEBITMAP {
        HBITMAP hBitmap = nullptr;
        DWORD dwWidth = 0;
        DWORD dwHeight = 0;
        HBITMAP hMask = nullptr;
        COLORREF crTransparent = 0;
    };

    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void CancelHover();
    void OnEnable(BOOL bEnable);
    void OnSysColorChange();
    void SetDefaultColors(BOOL bRepaint);
    void FreeBitmaps();
    void FreeBackground();
    DWORD LoadStateBitmap(int nIndex, int nID, COLORREF crTransparent);
    void Repaint();

    BOOL m_bHover = FALSE;
    BOOL m_bPressed = FALSE;
    BOOL m_bFocused = FALSE;
    BOOL m_bDisabled = FALSE;
    BOOL m_bFlat = TRUE;
    BOOL m_bAlwaysTrack = TRUE;
    BOOL m_bFlatFocus = FALSE;
    BOOL m_bParentBackground = FALSE;
    BOOL m_bIsDefault = FALSE;
    BOOL m_bIsCheckBox = FALSE;
    int m_nCheck = 0;
    UINT m_nTypeStyle = 0x1F;
    POINT m_ptPressedOffset{1, 1};
    COLORREF m_crColors[BTNST_MAX_COLORS] = {};
    STATEBITMAP m_stateBitmaps[4];
    BYTE m_byContentLayout = 0;
    UINT m_nTextFormat = DT_CENTER;
    int m_nFocusInsetX = 0;
    HDC m_dcBk = nullptr;
    HBITMAP m_bmpBk = nullptr;
    HGDIOBJ m_pbmpOldBk = nullptr;
};

// Magenta marks the transparent pixels of every piece of the program's artwork.
constexpr COLORREF kSkinTransparent = RGB(0xFF, 0x00, 0xFF);

// How every skinned push button of the program is set up: its caption, its three faces
// (hovered, normal, pressed; disabled shows the normal face) with magenta transparent, image and
// caption overlapping with the caption centred, a focus rectangle inset by 10 pixels, and the
// background captured by the parent rather than taken from its window. The faces are those of
// the art scale of nDpi (the 100 % ids are given), and the button takes their size.
void SetUpSkinButton(CSkinButton& button, const std::wstring& caption, int nHover, int nNormal,
                     int nPressed, UINT nDpi);
// The faces for another DPI, and the button's size with them, as SetUpSkinButton chose them.
void ScaleSkinButton(CSkinButton& button, int nHover, int nNormal, int nPressed, UINT nDpi);
