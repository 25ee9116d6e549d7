// The wizard's pages: creating and placing them, switching between them with the button
// states of each page, the Next / Previous / Help buttons and the settings they write.
#include "wizard/hitch_dlg.h"

#include "app/language_service.h"
#include "pages/bt_pairing_page.h"
#include "pages/bt_search_page.h"
#include "pages/completed_page.h"
#include "pages/detect_cable_page.h"
#include "pages/select_type_page.h"
#include "pages/troubleshoot_dialog.h"
#include "pages/welcome_page.h"
#include "platform/wchar_utf16.h"
#include "platform/win32_profile_reader.h"
#include "platform/win32_profile_writer.h"
#include "res/resource.h"
#include "wizard/wizard_settings.h"

#include <new>

namespace {

// Creates a page as a child of the frame; nullptr when it cannot be allocated or created.
template <typename Page> Page* CreatePage(UINT nTemplate, CWnd* pFrame) {
    Page* page = new (std::nothrow) Page(nullptr);
    if (page != nullptr && !page->Create(nTemplate, pFrame)) {
        delete page;
        page = nullptr;
    }
    return page;
}

// The placeholder's rectangle is used as the screen reports it: the frame still stands at its
// template position (the screen's corner) when the pages are placed, and is centred only
// afterwards, taking its children along.
void PlacePage(CWnd* page, const RECT& placeholder) {
    if (page != nullptr) {
        ::SetWindowPos(page->m_hWnd, HWND_TOP, placeholder.left, placeholder.top,
                       placeholder.right - placeholder.left, placeholder.bottom - placeholder.top,
                       SWP_SHOWWINDOW);
    }
}

void ShowPageWindow(CWnd* page) {
    if (page != nullptr) {
        page->ShowWindow(SW_SHOWNORMAL);
        page->BringWindowToTop();
    }
}

void HidePageWindow(CWnd* page) {
    if (page != nullptr) {
        page->ShowWindow(SW_HIDE);
    }
}

RECT PlaceholderRect(const CWnd& frame, int nID) {
    RECT rect{};
    ::GetWindowRect(frame.GetDlgItem(nID), &rect);
    return rect;
}

} // namespace

void CHitchDlg::CreatePages() {
    const BOOL bWizardShown = IsWizardShown();

    m_pWelcomePage = CreatePage<CWelComeDlg>(IDD_WELCOME, this);
    PlacePage(m_pWelcomePage, PlaceholderRect(*this, IDC_WELCOME_PLACEHOLDER));
    const RECT pageRect = PlaceholderRect(*this, IDC_PAGE_PLACEHOLDER);
    m_pSelectTypePage = CreatePage<CSelectMediaTypeDlg>(IDD_SELECT_TYPE, this);
    PlacePage(m_pSelectTypePage, pageRect);
    m_pDetectCablePage = CreatePage<CDetectCablePhnoeDlg>(IDD_DETECT_CABLE, this);
    PlacePage(m_pDetectCablePage, pageRect);
    m_pCompletedPage = CreatePage<CConnectCompletedDlg>(IDD_CONNECT_COMPLETED, this);
    PlacePage(m_pCompletedPage, pageRect);
    m_pTroubleshootDlg = CreatePage<CConnectErrorShootDlg>(IDD_TROUBLESHOOT, this);
    m_pBtSearchPage = CreatePage<CBluetoothDetectDlg>(IDD_BT_SEARCH, this);
    PlacePage(m_pBtSearchPage, pageRect);
    m_pBtPairingPage = CreatePage<CBluetoothPairringDlg>(IDD_BT_PAIRING, this);
    PlacePage(m_pBtPairingPage, pageRect);

    if (bWizardShown) {
        m_nCurPage = PAGE_WELCOME;
        if (m_pWelcomePage != nullptr) {
            m_pWelcomePage->ShowWindow(SW_SHOWNORMAL);
        }
        HidePageWindow(m_pSelectTypePage);
    } else {
        m_nCurPage = PAGE_SELECT_TYPE;
        HidePageWindow(m_pWelcomePage);
        if (m_pSelectTypePage != nullptr) {
            m_pSelectTypePage->ShowWindow(SW_SHOWNORMAL);
        }
    }
    HidePageWindow(m_pDetectCablePage);
    HidePageWindow(m_pCompletedPage);
    if (m_pTroubleshootDlg != nullptr) {
        m_pTroubleshootDlg->CenterWindow(this);
        m_pTroubleshootDlg->SetMode(0);
        m_pTroubleshootDlg->ShowWindow(SW_HIDE);
    }
    HidePageWindow(m_pBtSearchPage);
    HidePageWindow(m_pBtPairingPage);
    if (m_pBtSearchPage != nullptr) {
        m_pBtSearchPage->SetNotifySink(this);
    }
    if (m_pBtPairingPage != nullptr) {
        m_pBtPairingPage->SetNotifySink(this);
    }
}

void CHitchDlg::DeletePages() {
    delete m_pSelectTypePage;
    m_pSelectTypePage = nullptr;
    delete m_pDetectCablePage;
    m_pDetectCablePage = nullptr;
    delete m_pCompletedPage;
    m_pCompletedPage = nullptr;
    delete m_pTroubleshootDlg;
    m_pTroubleshootDlg = nullptr;
    delete m_pWelcomePage;
    m_pWelcomePage = nullptr;
}

void CHitchDlg::DeleteBluetoothPages() {
    ClearBtDeviceList(); // the rows own their entries
    delete m_pBtSearchPage;
    m_pBtSearchPage = nullptr;
    delete m_pBtPairingPage;
    m_pBtPairingPage = nullptr;
}

void CHitchDlg::ShowPage(UINT nPage) {
    const std::wstring cancel = LoadLangString(IDS_STRING_BTCAPTION_CANCEL);
    switch (nPage) {
    case PAGE_WELCOME:
        ShowPageWindow(m_pWelcomePage);
        HidePageWindow(m_pSelectTypePage);
        HidePageWindow(m_pDetectCablePage);
        HidePageWindow(m_pCompletedPage);
        HidePageWindow(m_pBtSearchPage);
        HidePageWindow(m_pBtPairingPage);
        SetWizardButtons(FALSE, TRUE, cancel);
        m_nCurPage = PAGE_WELCOME;
        break;
    case PAGE_SELECT_TYPE:
        // Coming back to the choice ends whatever the chosen type had started.
        StopCableDetect();
        if (m_bSearching) {
            StopDetection();
        }
        ShowPageWindow(m_pSelectTypePage);
        HidePageWindow(m_pDetectCablePage);
        HidePageWindow(m_pWelcomePage);
        HidePageWindow(m_pCompletedPage);
        HidePageWindow(m_pBtSearchPage);
        HidePageWindow(m_pBtPairingPage);
        SetWizardButtons(IsWizardShown(), TRUE, cancel);
        m_nCurPage = PAGE_SELECT_TYPE;
        break;
    case PAGE_DETECT_CABLE:
        ShowPageWindow(m_pDetectCablePage);
        HidePageWindow(m_pWelcomePage);
        HidePageWindow(m_pCompletedPage);
        HidePageWindow(m_pSelectTypePage);
        HidePageWindow(m_pBtSearchPage);
        HidePageWindow(m_pBtPairingPage);
        SetWizardButtons(TRUE, FALSE, cancel);
        RetrySilentDevices();
        // An earlier visit's worker must be gone before the stop flag is cleared for this one.
        JoinCableDetectThread();
        StartCableDetect();
        StartCableDetectThread();
        m_nCurPage = PAGE_DETECT_CABLE;
        break;
    case PAGE_BT_SEARCH:
        ShowPageWindow(m_pBtSearchPage);
        HidePageWindow(m_pCompletedPage);
        HidePageWindow(m_pWelcomePage);
        HidePageWindow(m_pDetectCablePage);
        HidePageWindow(m_pSelectTypePage);
        HidePageWindow(m_pBtPairingPage);
        SetWizardButtons(TRUE, FALSE, cancel);
        OnBtSearchPageShown();
        m_nCurPage = PAGE_BT_SEARCH;
        break;
    case PAGE_TROUBLESHOOT:
        // A request, not a state: the infrared advice opens over the current page.
        if (m_pTroubleshootDlg != nullptr) {
            m_pTroubleshootDlg->SetMode(1);
            m_pTroubleshootDlg->ShowWindow(SW_SHOWNORMAL);
        }
        break;
    case PAGE_COMPLETED:
        ShowPageWindow(m_pCompletedPage);
        HidePageWindow(m_pWelcomePage);
        HidePageWindow(m_pDetectCablePage);
        HidePageWindow(m_pSelectTypePage);
        HidePageWindow(m_pBtSearchPage);
        HidePageWindow(m_pBtPairingPage);
        SetWizardButtons(FALSE, FALSE, LoadLangString(IDS_STRING_BTCAPTION_OK));
        m_nCurPage = PAGE_COMPLETED;
        break;
    case PAGE_BT_PAIRING:
        ShowPageWindow(m_pBtPairingPage);
        HidePageWindow(m_pBtSearchPage);
        HidePageWindow(m_pCompletedPage);
        HidePageWindow(m_pWelcomePage);
        HidePageWindow(m_pDetectCablePage);
        HidePageWindow(m_pSelectTypePage);
        SetWizardButtons(TRUE, FALSE, cancel);
        m_nCurPage = PAGE_BT_PAIRING;
        OnBtPairingPageShowing(); // starts the pairing
        break;
    default:
        break; // not a page
    }
}

void CHitchDlg::SetWizardButtons(BOOL bPrevious, BOOL bNext, const std::wstring& cancelCaption) {
    m_btnPrevious.EnableWindow(bPrevious);
    m_btnNext.EnableWindow(bNext);
    m_btnCancel.SetWindowText(cancelCaption);
}

void CHitchDlg::OnNext() {
    switch (m_nCurPage) {
    case PAGE_WELCOME: {
        const bool showAgain = m_pWelcomePage == nullptr || m_pWelcomePage->IsShowAgain();
        hitched::Win32ProfileWriter settings(hitched::ToU16String(m_strDataFile));
        hitched::WriteWizardShown(settings, showAgain);
        ShowPage(PAGE_SELECT_TYPE);
        break;
    }
    case PAGE_SELECT_TYPE:
        m_nConnType = m_pSelectTypePage != nullptr ? m_pSelectTypePage->GetSelectedType() : 0;
        if (m_nConnType == 0) {
            EnableCableTypes();
            ShowPage(PAGE_DETECT_CABLE);
        } else if (m_nConnType == 1) {
            EnableInfraredType();
            ShowPage(PAGE_TROUBLESHOOT);
        } else if (m_nConnType == 2) {
            EnableBluetoothStacks();
            ShowPage(PAGE_BT_SEARCH);
        }
        break;
    case PAGE_DETECT_CABLE:
        ShowPage(PAGE_COMPLETED);
        break;
    case PAGE_BT_SEARCH:
        OnNextBtSearch();
        break;
    case PAGE_BT_PAIRING:
        OnNextBtPairing();
        break;
    default:
        break;
    }
}

void CHitchDlg::OnPrevious() {
    switch (m_nCurPage) {
    case PAGE_SELECT_TYPE:
        ShowPage(PAGE_WELCOME);
        break;
    case PAGE_DETECT_CABLE:
    case PAGE_BT_SEARCH:
    case PAGE_TROUBLESHOOT:
        ShowPage(PAGE_SELECT_TYPE);
        break;
    case PAGE_BT_PAIRING:
        ShowPage(PAGE_BT_SEARCH);
        break;
    default:
        break;
    }
}

int CHitchDlg::Notify(int nCode, int nParam, void* pData) {
    switch (nCode) {
    case WN_SET_BUTTONS:
        // While an attempt runs the user answers it or cancels it: no going back.
        SetWizardButtons(m_pBtAttempt != nullptr ? FALSE : nParam, pData != nullptr ? TRUE : FALSE,
                         LoadLangString(IDS_STRING_BTCAPTION_CANCEL));
        return 0;
    case WN_START_SEARCH:
        return StartDetection();
    case WN_REMOVE_DEVICE:
        return RemovePairing(pData);
    default:
        return 0;
    }
}

BOOL CHitchDlg::IsWizardShown() {
    hitched::Win32ProfileReader settings(hitched::ToU16String(m_strDataFile));
    return hitched::IsWizardShown(settings) ? TRUE : FALSE;
}

void CHitchDlg::EnableCableTypes() {
    hitched::Win32ProfileWriter settings(hitched::ToU16String(m_strDataFile));
    hitched::EnableCableTypes(settings);
}

void CHitchDlg::EnableInfraredType() {
    hitched::Win32ProfileWriter settings(hitched::ToU16String(m_strDataFile));
    hitched::EnableInfraredType(settings);
}

void CHitchDlg::EnableBluetoothStacks() {
    hitched::Win32ProfileReader reader(hitched::ToU16String(m_strDataFile));
    hitched::Win32ProfileWriter writer(hitched::ToU16String(m_strDataFile));
    hitched::EnableBluetoothStacks(reader, writer);
    SetAvailableBtStacks();
}
