#include "wizard/hitch_dlg.h"

#include "app/debug_log.h"
#include "app/startup_trace.h"
#include "app/help.h"
#include "app/help_topics.h"
#include "app/language_service.h"
#include "app/main_dialog.h"
#include "app/module_file.h"
#include "pages/bt_pairing_page.h"
#include "pages/layout_report.h"
#include "portservice/window_owner.h"
#include "res/resource.h"
#include "ui/skin_paint.h"

#include <cstdlib>
#include <new>

CDialog* NewMainDialog() {
    return new (std::nothrow) CHitchDlg(nullptr);
}

CHitchDlg::CHitchDlg(CWnd* pParent) : CDialog(IDD_HITCHED_DIALOG, pParent) {
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    m_bListChanged = FALSE;
    m_bMonitorRun = TRUE;
    m_hEnumDeviceDelayEvent = nullptr;
    m_hCheckBtServiceEvent = nullptr;
    m_bLastPassFlag = FALSE;
    m_hPhoneMutex = nullptr;
}

CHitchDlg::~CHitchDlg() {
    // The cable worker polls the port service; it goes first.
    JoinCableDetectThread();
    EndBtAttempt(); // its worker runs detection passes too
    // The monitor thread leaves its loop on this flag; joined before the pages go, since its
    // passes look at the completed page.
    m_bMonitorRun = FALSE;
    JoinMonitorThread();
    DeletePages();
    StopMonitor();
    DeleteBluetoothPages();
    UnloadBtLibrary();
    if (m_hEnumDeviceDelayEvent != nullptr) {
        ::CloseHandle(m_hEnumDeviceDelayEvent);
        m_hEnumDeviceDelayEvent = nullptr;
    }
    if (m_hCheckBtServiceEvent != nullptr) {
        ::CloseHandle(m_hCheckBtServiceEvent);
        m_hCheckBtServiceEvent = nullptr;
    }
    // Records posted by the workers that the frame never got to handle.
    DiscardPostedPhones();
}

void CHitchDlg::DoDataExchange() {
    BindControl(IDC_BTN_HELP, m_btnHelp);
    BindControl(IDC_BTN_PREVIOUS, m_btnPrevious);
    BindControl(IDC_BTN_NEXT, m_btnNext);
    BindControl(IDC_BTN_CANCEL, m_btnCancel);
}

BOOL CHitchDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    m_nConnType = 0;
    m_nCurPage = PAGE_WELCOME;
    m_bDevicesListed = FALSE;
    m_bSearching = FALSE;

    const std::wstring directory = hitched::ModuleDirectoryWithBackslash();
    m_strDataFile = directory + L"hitched.dat";
    m_strMirroletIni = directory + L"Mirrolet.ini";

    // The suite's programs wait for the port at log-on, so it listens before anything that
    // only the wizard needs; detection starts once the pages exist. A port service that
    // cannot listen makes the whole process pointless.
    LogStartupStep(L"dialog created");
    if (!StartPortService()) {
        std::exit(-1);
    }
    LogStartupStep(L"port service listening");

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    InitButtons();
    SetWindowText(LoadLangString(AFX_IDS_APP_TITLE));
    CreatePages();
    LogStartupStep(L"pages created");
    FitToWorkArea();
    LogLayout(m_hWnd, GetDpi());
    CenterWindow();
    ChooseInitialVisibility();
    RegisterShowHideMessages();

    StartMonitor();
    LoadBtLibrary(); // without it Bluetooth is simply unavailable
    LogStartupStep(L"monitor started, Bluetooth library loaded");

    SignalStartupEvent();
    return TRUE;
}

void CHitchDlg::InitButtons() {
    struct ButtonCaption {
        CSkinButton& button;
        UINT nText;
    };
    const ButtonCaption buttons[] = {{m_btnHelp, IDS_STRING_BTCAPTION_HELP},
                                     {m_btnPrevious, IDS_STRING_BTCAPTION_PRVIOUS},
                                     {m_btnNext, IDS_STRING_BTCAPTION_NEXT},
                                     {m_btnCancel, IDS_STRING_BTCAPTION_CANCEL}};
    for (const ButtonCaption& b : buttons) {
        SetUpSkinButton(b.button, LoadLangString(b.nText), IDB_BUTTON_HOVER, IDB_BUTTON_NORMAL,
                        IDB_BUTTON_PRESSED, GetDpi());
    }
    m_btnPrevious.EnableWindow(FALSE);
}

BOOL CHitchDlg::PreTranslateMessage(MSG* pMsg) {
    // Escape must never press Cancel: the dialog manager would turn it into IDCANCEL.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) {
        return FALSE;
    }
    // Enter in the pairing page's field answers the phone, as Next does.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN && m_pBtPairingPage != nullptr &&
        pMsg->hwnd == m_pBtPairingPage->GetDlgItem(IDC_BT_PASSCODE) &&
        m_btnNext.IsWindowEnabled()) {
        OnNext();
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

LRESULT CHitchDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CDialog::WindowProc(message, wParam, lParam);
    if (message == WM_DEVICECHANGE) {
        DebugLog(L"--device changed : message = %d, wParam = %d, lParam = %d",
                 static_cast<int>(message), static_cast<int>(wParam), static_cast<int>(lParam));
        // Wakes the device monitor: any change, whatever its kind, means a new pass.
        if (m_hEnumDeviceDelayEvent != nullptr) {
            ::SetEvent(m_hEnumDeviceDelayEvent);
        }
    } else if (m_MsgShowWindow != 0 && message == m_MsgShowWindow) {
        ShowOnRequest();
    } else if (m_MsgHideWindow != 0 && message == m_MsgHideWindow) {
        HideOnRequest();
    }
    return result;
}

BOOL CHitchDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_CABLE_PHONES_FOUND) {
        OnCablePhonesFound(static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_MONITOR_PHONES) {
        OnMonitorPhones(static_cast<unsigned>(lParam));
        *pResult = 0;
        return TRUE;
    }
    if (OnBtAttemptMessage(message, wParam, lParam)) {
        *pResult = 0;
        return TRUE;
    }
    if (message == hitched::WM_RETRY_TIMER_REQUEST) {
        hitched::HandleRetryTimerRequest(m_hWnd, wParam);
        *pResult = 0;
        return TRUE;
    }
    if (message == hitched::WM_CONNECT_TYPE_SWITCH) {
        RetrySilentDevices();
        if (m_hEnumDeviceDelayEvent != nullptr) {
            ::SetEvent(m_hEnumDeviceDelayEvent);
        }
        *pResult = 1;
        return TRUE;
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}

BOOL CHitchDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_BTN_NEXT:
            OnNext();
            return TRUE;
        case IDC_BTN_PREVIOUS:
            OnPrevious();
            return TRUE;
        case IDC_BTN_CANCEL:
            OnCancel();
            return TRUE;
        case IDC_BTN_HELP:
            OnHelp();
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CHitchDlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    PAINTSTRUCT paint{};
    HDC hDC = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    RECT client{};
    GetClientRect(&client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(hDC, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

HCURSOR CHitchDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

BOOL CHitchDlg::OnEraseBkgnd(HDC hDC) {
    const BOOL result = CDialog::OnEraseBkgnd(hDC);
    RECT client{};
    GetClientRect(&client);
    StretchBitmapResource(hDC, client, IDB_FRAME_BACKGROUND, GetDpi());
    // Each button keeps the skin behind it for its transparent pixels.
    m_btnHelp.CaptureParentBackground(hDC);
    m_btnPrevious.CaptureParentBackground(hDC);
    m_btnNext.CaptureParentBackground(hDC);
    m_btnCancel.CaptureParentBackground(hDC);
    return result;
}

void CHitchDlg::OnTimer(UINT_PTR nIDEvent) {
    switch (nIDEvent) {
    case kTimerCableDetect:
        OnCableDetectTimeout();
        break;
    case kTimerBtSearchEnd:
        OnBtSearchTimeout();
        break;
    case kTimerBtSearchProgress:
        OnBtSearchProgress();
        break;
    case hitched::kRetryPushTimerId:
        OnRetryPushTimer();
        break;
    default:
        break;
    }
}

BOOL CHitchDlg::OnHelpInfo(HELPINFO*) {
    OnHelp();
    return TRUE;
}

void CHitchDlg::OnHelp() {
    ShowHelpTopic(LoadLangString(hitched::HelpTopicIdForPage(m_nCurPage)));
}
