#pragma once
#include "pages/skin_page.h"
#include "ui/animate_ctrl.h"

#include <string>

// Page 2: asks the user to plug the phone in and plays the clip detectphone.pgr, found
// beside the executable, for the life of the page. The frame does the detecting.
class CDetectCablePhnoeDlg : public CSkinPage {
public:
    explicit CDetectCablePhnoeDlg(CWnd* pParent = nullptr);
    ~CDetectCablePhnoeDlg() override;

    // Full path the clip is opened from: the executable's folder and "\detectphone.pgr".
    static std::wstring ClipPath();

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnDpiChanged(UINT nOldDpi) override;
    HBRUSH OnCtlColor(HDC hDC, HWND hCtl, UINT nCtlColor) override;

private:
    CAnimateCtrl m_animation;      // 1022
    HBRUSH m_brAnimBack = nullptr; // 0xF2DDCC, behind the clip
};
