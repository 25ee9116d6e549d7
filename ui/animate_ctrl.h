#pragma once
#include "ui/wnd.h"

#include <commctrl.h>

// An animation control bound to a member: opens an AVI clip (a file, or a resource of hInst)
// and plays it.
class CAnimateCtrl : public CWnd {
public:
    BOOL Open(const wchar_t* szName, HINSTANCE hInst) {
        return static_cast<BOOL>(::SendMessageW(m_hWnd, ACM_OPENW, reinterpret_cast<WPARAM>(hInst),
                                                reinterpret_cast<LPARAM>(szName)));
    }
    // Closes the clip: an open request with no clip.
    BOOL Close() { return Open(nullptr, nullptr); }
    BOOL Play(UINT nFrom, UINT nTo, UINT nRepeat) {
        return static_cast<BOOL>(
            ::SendMessageW(m_hWnd, ACM_PLAY, static_cast<WPARAM>(nRepeat), MAKELPARAM(nFrom, nTo)));
    }
};
