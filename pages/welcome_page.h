#pragma once
#include "pages/skin_page.h"
#include "ui/button.h"

// Page 0: greets the user and offers "do not show this page again".
class CWelComeDlg : public CSkinPage {
public:
    explicit CWelComeDlg(CWnd* pParent = nullptr);
    ~CWelComeDlg() override;

    // TRUE unless the check box is checked (its state read as exactly 1).
    BOOL IsShowAgain();

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;

private:
    CButton m_chkDoNotShow; // 1023
};
