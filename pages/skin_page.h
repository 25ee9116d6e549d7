#pragma once
#include "ui/dialog.h"

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

    // Creates the title font (all-zero logical font but height and face) once and sets it on
    // a control, with redraw.
    void SetTitleFont(int nID, const wchar_t* szFace = L"Arial Black", int nHeight = 16);
    // Sets a control's text to the language file's text of a key id.
    void SetDlgItemLangText(int nID, UINT nStringId);

    HBRUSH m_brHollow = nullptr; // stock; never deleted
    HFONT m_fontTitle = nullptr; // owned

private:
    UINT m_nBackgroundBitmap;
};
