#pragma once
#include "ui/dialog.h"

#include <string>
#include <vector>

// What every window of the wizard shares: its skin, a stretched bitmap over the whole client
// area; static texts (and check boxes and radio buttons, which ask as statics) drawn
// transparently over it; and the title font. Pages are children of the frame that Enter and
// Escape never close; the troubleshooting dialog overrides OnOK and OnCancel.
class CSkinPage : public CDialog {
public:
    CSkinPage(UINT nIDTemplate, UINT nBackgroundBitmap, CWnd* pParent);
    ~CSkinPage() override;

protected:
    BOOL OnInitDialog() override;
    // Default erase, then the skin, then OnSkinPainted; the default erase's result.
    BOOL OnEraseBkgnd(HDC hDC) override;
    // After the skin is painted into hDC: pages with skinned buttons hand it to them here.
    virtual void OnSkinPainted(HDC) {}
    HBRUSH OnCtlColor(HDC hDC, HWND hCtl, UINT nCtlColor) override;
    void OnOK() override {}
    void OnCancel() override {}
    // The title font, the separators and the skin follow the new DPI; pages with more drawn
    // in pixels extend it.
    void OnDpiChanged(UINT nOldDpi) override;
    // Shown, and after a DPI change, the page's layout goes to the debug log once its texts
    // are set (a posted message).
    void OnShowWindow(BOOL bShow, UINT nStatus) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // Creates the title font (all-zero logical font but height and face; the height in pixels
    // at 96 DPI, scaled to the page's DPI) once and sets it on a control, with redraw.
    void SetTitleFont(int nID, const wchar_t* szFace = L"Arial Black", int nHeight = 16);
    // Sets a control's text to the language file's text of a key id.
    void SetDlgItemLangText(int nID, UINT nStringId);

    HBRUSH m_brHollow = nullptr; // stock; never deleted
    HFONT m_fontTitle = nullptr; // owned

private:
    // The separator lines (bitmap statics) get the bitmap of the page's art scale.
    void SetSeparatorImages();

    UINT m_nBackgroundBitmap;
    std::wstring m_strTitleFace;
    int m_nTitleHeight = 0;
    std::vector<int> m_titleControls;
    HBITMAP m_hSeparator = nullptr; // owned; shown by the separator statics
};
