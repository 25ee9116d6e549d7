#pragma once
#include "detect/connect_broadcast.h"
#include "detect/device_map.h"
#include "ui/button.h"
#include "ui/dialog.h"
#include "wizard/wizard_notify.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

// The program's only top-level window: the wizard frame (four buttons over the page area),
// shown or hidden for the whole life of the process, and the owner of the program's state.
// The process never ends through it: Cancel and the close box hide it.
class CPortService;

class CHitchDlg : public CDialog, public CWizardNotify {
public:
    explicit CHitchDlg(CWnd* pParent = nullptr);
    ~CHitchDlg() override;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int Notify(int nCode, int nParam, void* pData) override;

    void InitButtons();
    void StartCableDetect();
    void StopCableDetect();
    void ShowPage(UINT nPage);
    BOOL IsWizardShown();

    // Device detection and the port service: started at initialisation, stopped on
    // destruction. FALSE from StartMonitor ends the process.
    BOOL StartMonitor();
    // Joins the monitor thread, then stops and deletes the port service.
    void StopMonitor();
    // One detection pass under m_lockDetect; runs on the monitor thread.
    void BroadCastConnectPhoneChanged();
    // A switch of [Enable_connect] in hitched.dat (0..6), read on every call.
    BOOL IsConnectTypeEnabled(int nIndex);
    BOOL LoadBtLibrary();
    void UnloadBtLibrary();
    void StopDetection();

    HICON m_hIcon;
    std::wstring m_strDataFile;    // hitched.dat beside the executable
    std::wstring m_strMirroletIni; // Mirrolet.ini beside the executable
    CButton m_btnHelp;             // 1001
    CButton m_btnPrevious;         // 1000
    CButton m_btnNext;             // 3
    CButton m_btnCancel;           // 2
    UINT m_MsgShowWindow = 0;      // registered ids; 0 until registered
    UINT m_MsgHideWindow = 0;
    BOOL m_bLastPassFlag;
    int m_nConnType = 0;
    int m_nCurPage = 0;
    std::atomic<BOOL> m_bStopCableDetect{FALSE}; // polled by the cable-detection thread
    BOOL m_bListChanged;
    std::atomic<BOOL> m_bMonitorRun{FALSE}; // polled by the device monitor
    HANDLE m_hEnumDeviceDelayEvent;
    HANDLE m_hCheckBtServiceEvent;
    HMODULE m_hBtLib = nullptr;
    int m_nSearchTicks = 0;
    BOOL m_bSearching = FALSE;
    BOOL m_bDevicesListed = FALSE;
    HANDLE m_hPhoneMutex;
    CPortService* m_pPortService = nullptr;
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
    void OnTimer(UINT_PTR nIDEvent) override;
    BOOL OnHelpInfo(HELPINFO* pHelpInfo) override;

    void OnNext();
    void OnPrevious();
    void OnCancel() override;
    void OnHelp();

private:
    struct DetectionWiring;
    DetectionWiring* m_pDetection = nullptr; // created by StartMonitor, deleted by StopMonitor

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
};
