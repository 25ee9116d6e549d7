#pragma once
#include "pages/skin_page.h"

// Page 1: the connection type, chosen with three radio buttons; USB cable is preselected.
class CSelectMediaTypeDlg : public CSkinPage {
public:
    explicit CSelectMediaTypeDlg(CWnd* pParent = nullptr);
    ~CSelectMediaTypeDlg() override;

    // 0 USB cable, 1 infrared, 2 Bluetooth: the first checked radio button in that order;
    // 0 when none is checked or found.
    int GetSelectedType();

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
};
