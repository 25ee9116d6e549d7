#pragma once
#include <windows.h>

#include <string>

// A window of the program: wraps one HWND and hands each of its messages to WindowProc, which
// dispatches them to virtual handlers. Dialogs (CDialog) reach WindowProc through their dialog
// procedure; controls bound to a member reach it by being subclassed. Either way the object's
// address is kept in the window's user data, so FromHandlePermanent finds it again.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object behind a window of ours (a dialog or a subclassed control), else nullptr.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Routes the messages of an existing window through this object; the window's own
    // procedure still does the default processing. PreSubclassWindow runs once the window is
    // hooked.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(int nID, CWnd* pParent);
    HWND UnsubclassWindow();

    // Every message of the window. The default dispatches to the handlers below; whatever
    // they leave goes to DefWindowProc. Overrides call it to keep that behaviour.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Called by the message loop before a message is translated and dispatched; returning
    // TRUE means the message was dealt with and is not dispatched.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Thin wrappers, named as the system calls they make.
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    BOOL BringWindowToTop() { return ::BringWindowToTop(m_hWnd); }
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    void SetDlgItemText(int nID, const std::wstring& text);
    std::wstring GetDlgItemText(int nID) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, nullptr);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    void GetClientRect(RECT* pRect) const { ::GetClientRect(m_hWnd, pRect); }
    void GetWindowRect(RECT* pRect) const { ::GetWindowRect(m_hWnd, pRect); }
    // Centres the window over another one, or over the work area when there is none.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    BOOL DestroyWindow();

protected:
    // The processing a message gets when no handler takes it.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc of the message being handled: what a base handler does.
    LRESULT Default();

    // Finds the handler of a message; FALSE when there is none.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A parent passes owner-draw messages, control notifications (WM_COMMAND) and WM_CTLCOLOR*
    // back to the control they concern first; TRUE there means the parent does nothing more.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL ReflectToChild(HWND hChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // After the window is gone (WM_NCDESTROY); the object is detached by then.
    virtual void PostNcDestroy() {}
    // Right after SubclassWindow has hooked an existing window: a control adapts its styles.
    virtual void PreSubclassWindow() {}

    // Handlers. FALSE from OnCommand or OnNotify means "not handled".
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void OnPaint() { Default(); }
    virtual BOOL OnEraseBkgnd(HDC hDC);
    virtual void OnTimer(UINT_PTR nIDEvent);
    virtual HCURSOR OnQueryDragIcon();
    virtual BOOL OnHelpInfo(HELPINFO* pHelpInfo);
    // WM_CTLCOLOR* that no child took; nCtlColor is a CTLCOLOR_* code. The default returns
    // what the window's default processing gives.
    virtual HBRUSH OnCtlColor(HDC hDC, HWND hCtl, UINT nCtlColor);
    // WM_SHOWWINDOW; the default processing runs in the base handler.
    virtual void OnShowWindow(BOOL bShow, UINT nStatus);

    // Shared by the dialog procedure and the subclass procedure.
    static LRESULT Route(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void DetachOnNcDestroy();

    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    CurrentMessage m_current;
    WNDPROC m_pfnSuper = nullptr; // the window's own procedure while subclassed
};
