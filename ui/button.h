#pragma once
#include "ui/wnd.h"

// A push button or check box bound to a member. Owner-drawn buttons get DrawItem: the parent
// passes WM_DRAWITEM back to the button it concerns.
class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0)); }
    void SetCheck(int nCheck) { ::SendMessageW(m_hWnd, BM_SETCHECK, nCheck, 0); }

protected:
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};
