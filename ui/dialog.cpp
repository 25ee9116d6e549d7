#include "ui/dialog.h"

#include "ui/dpi.h"

namespace {

// What a dialog procedure returns for a handled message: a few messages return their result
// directly, all others through DWLP_MSGRESULT.
INT_PTR DialogResult(HWND hWnd, UINT message, LRESULT result) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
        return TRUE;
    }
}

bool IsInputMessage(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

} // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd) {
        // The derived parts are gone already: messages sent while the window goes down must
        // not reach this object any more.
        HWND hWnd = m_hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        m_hWnd = nullptr;
        ::DestroyWindow(hWnd);
    }
    if (m_hDpiFont != nullptr) {
        ::DeleteObject(m_hDpiFont);
    }
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (m_hWnd) {
        return FALSE;
    }
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    HWND hWnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nIDTemplate),
                                     pParentWnd ? pParentWnd->m_hWnd : nullptr, &DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr && m_hWnd == hWnd;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hWnd;
        self->m_nDpi = WindowDpi(hWnd);
        KeepDialogScalingToProgram(hWnd);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT...) and after detaching get the default.
    if (!self) {
        return FALSE;
    }
    if (self->m_bDefaultPending && message == self->m_nDefaultMessage) {
        self->m_bDefaultPending = false;
        return FALSE;
    }
    // Unhandled messages had their default processing inside Route already, so the message
    // counts as handled either way; answering FALSE would make DefDlgProcW process it twice.
    const LRESULT result = Route(self, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
    }
    return DialogResult(hWnd, message, result);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool savedPending = m_bDefaultPending;
    const UINT savedMessage = m_nDefaultMessage;
    m_bDefaultPending = true;
    m_nDefaultMessage = message;
    HWND hWnd = m_hWnd;
    const LRESULT result = ::DefDlgProcW(hWnd, message, wParam, lParam);
    m_bDefaultPending = savedPending;
    m_nDefaultMessage = savedMessage;
    return result;
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return TRUE;
    }
    if (message == WM_DPICHANGED && (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD) == 0) {
        // Moved to a screen of another scale: the system suggests the window's new rectangle.
        if (const RECT* suggested = reinterpret_cast<const RECT*>(lParam)) {
            ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top,
                           suggested->right - suggested->left, suggested->bottom - suggested->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ApplyDpi(LOWORD(wParam));
        *pResult = 0;
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

void CDialog::ApplyDpi(UINT nDpi) {
    if (m_hWnd == nullptr || nDpi == 0 || nDpi == m_nDpi) {
        return;
    }
    const UINT nOldDpi = m_nDpi;
    ScaleChildRects(m_hWnd, nOldDpi, nDpi);
    HFONT hOldFont = m_hDpiFont != nullptr
                         ? m_hDpiFont
                         : reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (HFONT hFont = ScaledFontCopy(hOldFont, nOldDpi, nDpi)) {
        for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild != nullptr;
             hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
            if (reinterpret_cast<HFONT>(::SendMessageW(hChild, WM_GETFONT, 0, 0)) == hOldFont) {
                ::SendMessageW(hChild, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
            }
        }
        if (m_hDpiFont != nullptr) {
            ::DeleteObject(m_hDpiFont);
        }
        m_hDpiFont = hFont;
    }
    m_nDpi = nDpi;
    OnDpiChanged(nOldDpi);
    ::RedrawWindow(m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void CDialog::BindControl(int nID, CWnd& control) {
    if (!control.m_hWnd) {
        control.SubclassDlgItem(nID, this);
    }
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

void CDialog::OnOK() {
    ::EndDialog(m_hWnd, IDOK);
}

void CDialog::OnCancel() {
    ::EndDialog(m_hWnd, IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (!m_hWnd || !IsInputMessage(pMsg->message)) {
        return FALSE;
    }
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) {
        return FALSE;
    }
    // A dialog that is part of another one (DS_CONTROL) has no Enter or Escape of its own: the
    // dialog manager would hand them to the enclosing dialog as OK and Cancel. Passed on, they
    // reach that dialog's own PreTranslateMessage, which decides.
    const bool enterOrEscape =
        pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE);
    if (enterOrEscape && (::GetWindowLongW(m_hWnd, GWL_STYLE) & DS_CONTROL) != 0) {
        return FALSE;
    }
    return ::IsDialogMessageW(m_hWnd, pMsg);
}
