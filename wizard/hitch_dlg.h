#pragma once
#include "contracts/bluetooth_detect_obj.h"
#include "detect/connect_broadcast.h"
#include "detect/device_map.h"
#include "portservice/window_owner.h"
#include "controls/skin_button.h"
#include "pages/wizard_notify.h"
#include "ui/dialog.h"
#include "wizard/posted_blocks.h"
#include "wizard/wizard_pages.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The program's only top-level window: the wizard frame (four buttons over the page area),
// shown or hidden for the whole life of the process, and the owner of the program's state.
// The process never ends through it: Cancel and the close box hide it.
class CPortService;
class CWelComeDlg;
class CSelectMediaTypeDlg;
class CDetectCablePhnoeDlg;
class CConnectCompletedDlg;
class CConnectErrorShootDlg;
class CBluetoothDetectDlg;
class CBluetoothPairringDlg;

class CHitchDlg : public CDialog, public CWizardNotify {
public:
    // Posted to the frame by worker threads (PostPhones); lParam is the number of a block of
    // _CONNECTEDPHONE_T records kept by the frame. wParam of the first: the page-2 visit it
    // belongs to.
    static constexpr UINT WM_CABLE_PHONES_FOUND = WM_APP + 0x101;
    static constexpr UINT WM_MONITOR_PHONES = WM_APP + 0x102;
    // Posted by the Bluetooth attempt's worker; wParam: the attempt's number, no pointers (the
    // attempt's state stays in the frame). The wait's lParam: its progress in percent.
    static constexpr UINT WM_BT_PAIRING_REQUEST = WM_APP + 0x110;
    static constexpr UINT WM_BT_PORT_WAIT = WM_APP + 0x111;
    static constexpr UINT WM_BT_ATTEMPT_DONE = WM_APP + 0x112;
    static_assert(hitched::WM_RETRY_TIMER_REQUEST != WM_CABLE_PHONES_FOUND &&
                      hitched::WM_RETRY_TIMER_REQUEST != WM_MONITOR_PHONES &&
                      hitched::WM_RETRY_TIMER_REQUEST != WM_BT_PAIRING_REQUEST &&
                      hitched::WM_RETRY_TIMER_REQUEST != WM_BT_PORT_WAIT &&
                      hitched::WM_RETRY_TIMER_REQUEST != WM_BT_ATTEMPT_DONE,
                  "one message number, two meanings: the frame's own messages stay clear of "
                  "the port service's");
    // Timers of the frame; 103, the retry push, belongs to the port service's owner.
    static constexpr UINT_PTR kTimerCableDetect = 100;      // the two-minute cable time-out
    static constexpr UINT_PTR kTimerBtSearchEnd = 101;      // the end of a Bluetooth search
    static constexpr UINT_PTR kTimerBtSearchProgress = 102; // its progress bar

    explicit CHitchDlg(CWnd* pParent = nullptr);
    ~CHitchDlg() override;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int Notify(int nCode, int nParam, void* pData) override;

    void InitButtons();
    // The four buttons' faces and sizes for the frame's DPI.
    void ScaleButtons();
    // Lays the frame out at a lower DPI when it does not fit its screen's work area.
    void FitToWorkArea();
    void StartCableDetect();
    void StopCableDetect();
    // Polls the port service once a second until a phone is connected, then hands the phones
    // to the UI thread, which fills the completed page and shows it. Started by ShowPage(2).
    static unsigned CableDetectThread(CHitchDlg* pDlg, unsigned nGeneration);
    // From any thread: keeps the records and posts their number with one of the two messages
    // above; FALSE (and nothing kept) when the message could not be posted.
    BOOL PostPhones(UINT message, WPARAM wParam, std::vector<unsigned char> records);

    // Switches to page 0..6; 4 opens the infrared advice over the current page; any other
    // number does nothing.
    void ShowPage(UINT nPage);
    void SetWizardButtons(BOOL bPrevious, BOOL bNext, const std::wstring& cancelCaption);
    BOOL IsWizardShown();
    void EnableCableTypes();
    void EnableInfraredType();
    void EnableBluetoothStacks();

    // The port service, listening first thing at initialisation: the suite's programs wait for
    // it at log-on. FALSE ends the process.
    BOOL StartPortService();
    // Device detection over the listening port service, once the pages exist. Both are
    // stopped on destruction.
    void StartMonitor();
    // Joins the monitor thread, then stops and deletes the port service.
    void StopMonitor();
    void JoinMonitorThread();
    // One detection pass under m_lockDetect; runs on the monitor thread.
    void BroadCastConnectPhoneChanged();
    // Devices that did not answer identification are asked again at the next pass: someone
    // is looking for a phone now (the detect page, a client's request, a Bluetooth pairing).
    void RetrySilentDevices();
    // A switch of [Enable_connect] in hitched.dat (0..6), read on every call.
    BOOL IsConnectTypeEnabled(int nIndex);
    // KVBluetoothComm.dll and its detection object, loaded at the end of the initialisation;
    // without them Bluetooth is simply unavailable.
    BOOL LoadBtLibrary();
    void UnloadBtLibrary();
    // Puts a copy of the entry into the Bluetooth device table under its address, replacing
    // the one there; under the detection lock, as a pass may be walking the table.
    void StoreBtDevice(const _BTDEVICEENTRY_T& entry);
    // The Bluetooth search: 30 s with progress (timers 101 and 102). 0 = a search started.
    BOOL StartDetection();
    BOOL StopDetection(); // always 1
    // Lists the devices of the last search on page 3 and in the device table.
    BOOL ShowBluetoothDevices();
    // Unpairs the device of a row's entry, then pauses two seconds; the library's result.
    int RemovePairing(void* pEntry);
    // The entry of the first selected row of page 3's list (its index in *pIndex), or null.
    _BTDEVICEENTRY_T* GetSelectedBtDevice(int* pIndex);

    HICON m_hIcon;
    std::wstring m_strDataFile;    // hitched.dat beside the executable
    std::wstring m_strMirroletIni; // Mirrolet.ini beside the executable
    CSkinButton m_btnHelp;         // 1001
    CSkinButton m_btnPrevious;     // 1000
    CSkinButton m_btnNext;         // 3
    CSkinButton m_btnCancel;       // 2
    UINT m_MsgShowWindow = 0;      // registered ids; 0 until registered
    UINT m_MsgHideWindow = 0;
    BOOL m_bLastPassFlag;
    int m_nConnType = 0;
    int m_nCurPage = 0;
    std::atomic<BOOL> m_bStopCableDetect{FALSE}; // polled by the cable-detection thread
    CSelectMediaTypeDlg* m_pSelectTypePage = nullptr;
    CDetectCablePhnoeDlg* m_pDetectCablePage = nullptr;
    CConnectCompletedDlg* m_pCompletedPage = nullptr;
    CConnectErrorShootDlg* m_pTroubleshootDlg = nullptr;
    CWelComeDlg* m_pWelcomePage = nullptr;
    BOOL m_bListChanged;
    std::atomic<BOOL> m_bMonitorRun{FALSE}; // polled by the device monitor
    HANDLE m_hEnumDeviceDelayEvent;
    HANDLE m_hCheckBtServiceEvent;
    HMODULE m_hBtLib = nullptr;
    CBluetoothDetectObj* m_pBtDetect = nullptr;
    PFN_KVBTIsDeviceConnected m_pfnIsDeviceConnected = nullptr;
    CBtDeviceMap m_mapBtDevices; // the Bluetooth device table
    int m_nSearchTicks = 0;
    BOOL m_bSearching = FALSE;
    BOOL m_bDevicesListed = FALSE;
    HANDLE m_hPhoneMutex;
    CPortService* m_pPortService = nullptr;
    CBluetoothDetectDlg* m_pBtSearchPage = nullptr;
    CBluetoothPairringDlg* m_pBtPairingPage = nullptr;
    CDeviceMap m_mapPhones;         // the connected-phone table
    CBroadcastArray m_arrBroadcast; // the records of the last changed pass
    std::mutex m_lockDetect;        // held for a whole detection pass

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    HCURSOR OnQueryDragIcon() override;
    BOOL OnEraseBkgnd(HDC hDC) override;
    // Buttons, pages and the troubleshooting dialog follow the frame to another DPI.
    void OnDpiChanged(UINT nOldDpi) override;
    void OnTimer(UINT_PTR nIDEvent) override;
    BOOL OnHelpInfo(HELPINFO* pHelpInfo) override;

    void OnNext();
    void OnPrevious();
    // The frame has no OK: an Enter that the dialog manager turns into IDOK changes nothing.
    void OnOK() override {}
    void OnCancel() override;
    void OnHelp();

private:
    struct DetectionWiring;
    DetectionWiring* m_pDetection = nullptr; // created by StartPortService, deleted by StopMonitor

    void CreatePages();
    void ChooseInitialVisibility();
    void RegisterShowHideMessages();
    void SignalStartupEvent();
    void ShowOnRequest();
    void HideOnRequest();
    void BroadcastLaunchMessage();
    void OnCableDetectTimeout();
    void OnBtSearchTimeout();
    void OnBtSearchProgress();
    void OnRetryPushTimer();

    // The five cable-path pages; the two Bluetooth pages go after the port service.
    void DeletePages();
    void DeleteBluetoothPages();
    // Bluetooth steps of the navigation.
    void OnBtSearchPageShown();
    void OnBtPairingPageShowing();
    void OnNextBtSearch();
    void OnNextBtPairing();
    // The Bluetooth attempt: pairing (bPair), the serial service, the wait for the port and
    // the confirming pass on a worker; the frame learns the outcome by messages. One at a time.
    struct BtAttempt;
    void StartBtAttempt(const _BTDEVICEENTRY_T& entry, int nIndex, bool bPair);
    // Cancel while an attempt runs: refuses the pairing or stops the wait; the outcome follows.
    bool CancelBtAttempt();
    void EndBtAttempt(); // cancels and joins: the worker uses the library and the detection
    BOOL OnBtAttemptMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void AnswerBtPairing(bool bAccept, const std::u16string& passkey);
    void OnBtPairingRequest();
    void OnBtAttemptDone();
    void ShowBtFailure(const BtAttempt& attempt);
    // The confirming pass, on the worker: stores the entry (bConnected set), runs a detection
    // pass and copies the connected phones; true when one has the entry's address.
    bool ConfirmPass(const _BTDEVICEENTRY_T& entry, std::vector<unsigned char>& phones, int& count);
    // The confirmed device on top of page 3's list, its phones on page 5; takes over pEntry.
    void ShowConfirmed(_BTDEVICEENTRY_T* pEntry, int nIndex,
                       const std::vector<unsigned char>& phones, int count);
    void SetAvailableBtStacks();
    // The rows of page 3's list own their entries: replaced and deleted only through these.
    void SetBtRowEntry(int nItem, _BTDEVICEENTRY_T* pEntry);
    void DeleteBtRow(int nItem);
    void ClearBtDeviceList();
    // Rows whose phone the connection check dropped lose their confirmed mark; under the
    // detection lock.
    void ForgetLostBtRows();
    void ShowBtMessage(UINT nTextId, UINT nType);

    // Cable detection. Worker threads never touch windows: they post what they found to the
    // frame (the number of a block it keeps), and the UI thread fills and switches.
    void StartCableDetectThread();
    void SignalCableDetectStop(); // sets the stop flag and wakes the worker's sleep
    void JoinCableDetectThread();
    void OnCablePhonesFound(unsigned nGeneration, unsigned nBlock);
    void OnMonitorPhones(unsigned nBlock);
    void DiscardPostedPhones();
    CPostedBlocks m_postedPhones;
    std::thread m_cableDetectThread;
    std::mutex m_cableDetectWakeLock;
    std::condition_variable m_cableDetectWake; // cuts the one-second sleep short on a stop
    // The running attempt, until its outcome is shown; deleted only by hitch_dlg_bt_attempt.
    BtAttempt* m_pBtAttempt = nullptr;
    std::thread m_btAttemptThread;
    unsigned m_nBtAttempt = 0;
    // Counts page-2 visits, so a late result of an earlier visit is dropped.
    std::atomic<unsigned> m_nCableDetectGeneration{0};
};
