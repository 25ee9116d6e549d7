#include "ui/wnd.h"

#include "ui/dialog.h"
#include "ui/win_app.h"

#include <vector>

CWnd::~CWnd() {
    // A subclassed control outlives its member object (its dialog destroys it): give the
    // window its own procedure back so no message reaches a dead object.
    if (m_pfnSuper && m_hWnd) {
        UnsubclassWindow();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    if (!hWnd || !::IsWindow(hWnd)) {
        return nullptr;
    }
    // Another instance of this program has the same procedure addresses; its user data
    // means nothing here.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != ::GetCurrentProcessId()) {
        return nullptr;
    }
    if (reinterpret_cast<DLGPROC>(::GetWindowLongPtrW(hWnd, DWLP_DLGPROC)) ==
        CDialog::DialogProcAddress()) {
        return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == &SubclassProc) {
        return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    return nullptr;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) {
        return FALSE;
    }
    m_hWnd = hWnd;
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    PreSubclassWindow();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(int nID, CWnd* pParent) {
    return pParent ? SubclassWindow(::GetDlgItem(pParent->m_hWnd, nID)) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (hWnd && m_pfnSuper) {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    }
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hWnd;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!pWnd) {
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
    return Route(pWnd, message, wParam, lParam);
}

LRESULT CWnd::Route(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        pWnd->DetachOnNcDestroy();
    }
    return result;
}

void CWnd::DetachOnNcDestroy() {
    const bool wasMainWindow = CWinApp::Current() && CWinApp::Current()->m_pMainWnd == this;
    if (m_pfnSuper) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        m_pfnSuper = nullptr;
    }
    m_hWnd = nullptr;
    // Without its main window the message loop has nothing left to serve.
    if (wasMainWindow) {
        ::PostQuitMessage(0);
    }
    PostNcDestroy();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const CurrentMessage saved = m_current;
    m_current = {message, wParam, lParam};
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) {
        result = DefWindowProc(message, wParam, lParam);
    }
    m_current = saved;
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) {
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    }
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
    case WM_COMMAND:
        if (lParam &&
            ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, pResult)) {
            return TRUE;
        }
        if (!OnCommand(wParam, lParam)) {
            return FALSE;
        }
        *pResult = 0;
        return TRUE;
    case WM_NOTIFY:
        return OnNotify(wParam, lParam, pResult);
    case WM_PAINT:
        OnPaint();
        *pResult = 0;
        return TRUE;
    case WM_ERASEBKGND:
        *pResult = OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        *pResult = 0;
        return TRUE;
    case WM_QUERYDRAGICON:
        *pResult = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return TRUE;
    case WM_HELP:
        *pResult = OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam));
        return TRUE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, pResult)) {
            return TRUE;
        }
        // The WM_CTLCOLOR* messages are consecutive in the order of the CTLCOLOR_* codes.
        *pResult = reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam),
                                                        reinterpret_cast<HWND>(lParam),
                                                        message - WM_CTLCOLORMSGBOX));
        return TRUE;
    case WM_SHOWWINDOW:
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        *pResult = 0;
        return TRUE;
    case WM_DRAWITEM: {
        const auto* pDraw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        CWnd* pChild = pDraw->CtlType == ODT_MENU ? nullptr : FromHandlePermanent(pDraw->hwndItem);
        return pChild && pChild->OnChildNotify(message, wParam, lParam, pResult);
    }
    default:
        return FALSE;
    }
}

BOOL CWnd::ReflectToChild(HWND hChild, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT* pResult) {
    CWnd* pChild = hChild != m_hWnd ? FromHandlePermanent(hChild) : nullptr;
    return pChild && pChild->OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM, LPARAM) {
    return FALSE;
}

HBRUSH CWnd::OnCtlColor(HDC, HWND, UINT) {
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnShowWindow(BOOL, UINT) {
    Default();
}

BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

BOOL CWnd::OnEraseBkgnd(HDC) {
    return static_cast<BOOL>(Default());
}

void CWnd::OnTimer(UINT_PTR) {
    Default();
}

HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}

BOOL CWnd::OnHelpInfo(HELPINFO*) {
    return static_cast<BOOL>(Default());
}

std::wstring CWnd::GetWindowText() const {
    const int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int copied = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    return std::wstring(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

void CWnd::SetDlgItemText(int nID, const std::wstring& text) {
    ::SetDlgItemTextW(m_hWnd, nID, text.c_str());
}

std::wstring CWnd::GetDlgItemText(int nID) const {
    HWND hItem = GetDlgItem(nID);
    if (!hItem) {
        return {};
    }
    const int length = ::GetWindowTextLengthW(hItem);
    std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1);
    const int copied = ::GetWindowTextW(hItem, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    RECT self{};
    ::GetWindowRect(m_hWnd, &self);
    RECT area{};
    HWND hCenter = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    const bool child = (::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
    if (child) {
        hCenter = ::GetParent(m_hWnd);
    }
    if (hCenter && (child || ::IsWindowVisible(hCenter)) && !::IsIconic(hCenter)) {
        ::GetWindowRect(hCenter, &area);
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    POINT topLeft{area.left + (area.right - area.left - width) / 2,
                  area.top + (area.bottom - area.top - height) / 2};
    if (child) {
        ::ScreenToClient(::GetParent(m_hWnd), &topLeft);
    }
    ::SetWindowPos(m_hWnd, nullptr, topLeft.x, topLeft.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}
