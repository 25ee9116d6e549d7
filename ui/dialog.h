#pragma once
#include "ui/wnd.h"

// A modeless dialog created from a template of the program's resources. Its dialog procedure
// is static: it finds the object in the window's DWLP_USER slot and hands every message to the
// virtual WindowProc. What no handler takes gets the system dialog's default processing.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the window; OnInitDialog runs before this returns. FALSE when the template is
    // missing or the window cannot be made (no display, say).
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    BOOL Create() { return Create(m_nIDTemplate, m_pParentWnd); }

    // Keyboard and mouse input meant for the dialog or its controls goes through
    // IsDialogMessage (Tab, arrows, Enter, Escape, mnemonics); a DS_CONTROL dialog leaves Enter
    // and Escape to the dialog it is part of.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    static DLGPROC DialogProcAddress() { return &DialogProc; }

    // The DPI the dialog is laid out for: its window's at creation, then the one of each
    // DPI change.
    UINT GetDpi() const { return m_nDpi; }
    // Lays the dialog out again for another DPI: its controls' places and sizes, its font on
    // the controls that use it, then whatever OnDpiChanged adds; and repaints it.
    void ApplyDpi(UINT nDpi);

protected:
    // Binds the controls (DoDataExchange) and asks for the default focus.
    virtual BOOL OnInitDialog();
    // Binds control members to their windows; called from OnInitDialog.
    virtual void DoDataExchange() {}
    // Routes the messages of one control of this dialog through a member object.
    void BindControl(int nID, CWnd& control);

    // IDOK and IDCANCEL: Enter, Escape, the close box and buttons 1 and 2 arrive here.
    virtual void OnOK();
    virtual void OnCancel();
    // After ApplyDpi moved the controls and changed the font: what the dialog draws or sizes
    // in pixels itself (artwork, fonts made in pixels, list columns) follows GetDpi() here.
    virtual void OnDpiChanged(UINT /*nOldDpi*/) {}

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    UINT m_nDpi = USER_DEFAULT_SCREEN_DPI;
    HFONT m_hDpiFont = nullptr; // owned: the dialog font made for the current DPI, if any
    // Set while DefWindowProc lets DefDlgProcW process a message: DefDlgProcW first asks the
    // dialog procedure, which must then answer "not handled" once.
    bool m_bDefaultPending = false;
    UINT m_nDefaultMessage = 0;
};
