// The frame's device detection: the port service, the device-change monitor and its passes
// (USB and Bluetooth), the retry push of timer 103, and the connection-type switches they read.
#include "wizard/hitch_dlg.h"

#include "app/debug_log.h"
#include "detect/connect_broadcast.h"
#include "detect/connect_type_switch.h"
#include "detect/device_change.h"
#include "detect/device_monitor.h"
#include "detect/win32_delay_event.h"
#include "detect/win32_phone_lock.h"
#include "detect/win32_usb_pass_steps.h"
#include "platform/wchar_utf16.h"
#include "platform/win32_profile_reader.h"
#include "portservice/port_service.h"
#include "portservice/window_owner.h"
#include "portservice/winsock_socket_layer.h"

namespace {

constexpr const wchar_t* kCheckBtServiceEventName = L"CheckBluetoothServiceThread_event";

// Bluetooth connection failures counted over passes: one count for the whole process.
int g_nBtConnectFailures = 0;

// hitched.dat read afresh on every question, so a switch changed by another program counts at
// the very next pass.
class DataFileSwitches : public hitched::IConnectTypeSwitches {
public:
    explicit DataFileSwitches(CHitchDlg& dlg) : m_dlg(dlg) {}
    bool IsConnectTypeEnabled(int index) override { return m_dlg.IsConnectTypeEnabled(index); }

private:
    CHitchDlg& m_dlg;
};

// The support list, read with the profile functions on every lookup.
class MirroletReader : public hitched::IProfileReader {
public:
    explicit MirroletReader(CHitchDlg& dlg) : m_dlg(dlg) {}
    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view fallback) override {
        return hitched::Win32ProfileReader(hitched::ToU16String(m_dlg.m_strMirroletIni))
            .GetString(section, key, fallback);
    }

private:
    CHitchDlg& m_dlg;
};

class PortServiceSink : public hitched::IConnectedPhoneSink {
public:
    explicit PortServiceSink(CPortService& service) : m_service(service) {}
    void BroadcastDeviceChanged(const std::vector<const _CONNECTEDPHONE_T*>& phones,
                                bool noRetryTimer) override {
        m_service.BroadcastDeviceChanged(phones, noRetryTimer);
    }

private:
    CPortService& m_service;
};

class MonitorHost : public hitched::IMonitorHost {
public:
    explicit MonitorHost(CHitchDlg& dlg) : m_dlg(dlg) {}
    void BroadCastConnectPhoneChanged() override { m_dlg.BroadCastConnectPhoneChanged(); }
    bool ListChanged() override { return m_dlg.m_bListChanged != FALSE; }
    void ShowConnectedPhones(void* buffer, std::size_t bytes) override {
        if (m_dlg.m_pPortService == nullptr || m_dlg.m_pCompletedPage == nullptr) {
            return;
        }
        const int count = m_dlg.m_pPortService->CopyConnectedPhones(buffer, bytes);
        // The completed page is a window of the UI thread: post it a copy to show.
        const auto* first = static_cast<const unsigned char*>(buffer);
        m_dlg.PostPhones(CHitchDlg::WM_MONITOR_PHONES, 0,
                         std::vector<unsigned char>(first, first + static_cast<std::size_t>(count) *
                                                                       sizeof(_CONNECTEDPHONE_T)));
    }

private:
    CHitchDlg& m_dlg;
};

} // namespace

// Everything detection needs beside the dialog's own members, created by StartPortService and
// StartMonitor and torn down by StopMonitor in dependency order.
struct CHitchDlg::DetectionWiring {
    explicit DetectionWiring(CHitchDlg& dlg)
        : windowOwner(dlg.m_hWnd, dlg.m_hWnd), phoneLock(dlg.m_hPhoneMutex), supportList(dlg),
          switches(dlg), detector(phoneLock, supportList),
          bluetooth({dlg.m_pBtDetect, dlg.m_pfnIsDeviceConnected, dlg.m_mapBtDevices,
                     dlg.m_mapPhones, dlg.m_bDevicesListed, g_nBtConnectFailures},
                    detector, phoneLock, supportList),
          host(dlg) {}

    hitched::WinsockSocketLayer sockets;
    hitched::CWindowPortServiceOwner windowOwner;
    hitched::CNamedMutexPhoneLock phoneLock;
    MirroletReader supportList;
    DataFileSwitches switches;
    hitched::CDeviceChangeDetector detector;
    hitched::CBluetoothPass bluetooth;
    hitched::CWin32UsbPassSteps usb;
    std::unique_ptr<PortServiceSink> sink;
    std::unique_ptr<hitched::CConnectPhoneBroadcast> broadcast;
    MonitorHost host;
    std::unique_ptr<hitched::CWin32DelayEvent> delayEvent;
    std::unique_ptr<hitched::CDeviceMonitor> monitor;
};

BOOL CHitchDlg::StartPortService() {
    auto wiring = std::make_unique<DetectionWiring>(*this);
    m_pPortService = new CPortService(wiring->windowOwner, wiring->sockets);
    if (!m_pPortService->StartServer()) {
        delete m_pPortService;
        m_pPortService = nullptr;
        return FALSE;
    }
    m_pDetection = wiring.release();
    return TRUE;
}

void CHitchDlg::StartMonitor() {
    DetectionWiring& wiring = *m_pDetection;
    wiring.sink = std::make_unique<PortServiceSink>(*m_pPortService);
    wiring.broadcast = std::make_unique<hitched::CConnectPhoneBroadcast>(
        hitched::DetectionState{m_lockDetect, m_mapPhones, m_arrBroadcast, m_bListChanged,
                                m_bLastPassFlag},
        wiring.detector, wiring.usb, wiring.switches, wiring.sink.get(), &wiring.bluetooth);

    m_bMonitorRun = TRUE;
    m_hEnumDeviceDelayEvent =
        ::CreateEventW(nullptr, TRUE, TRUE, hitched::kEnumDeviceDelayEventName);
    m_hCheckBtServiceEvent = ::CreateEventW(nullptr, FALSE, TRUE, kCheckBtServiceEventName);
    if (m_hEnumDeviceDelayEvent != nullptr) {
        wiring.delayEvent = std::make_unique<hitched::CWin32DelayEvent>(m_hEnumDeviceDelayEvent);
        wiring.monitor = std::make_unique<hitched::CDeviceMonitor>(wiring.host, *wiring.delayEvent,
                                                                   m_bMonitorRun);
        wiring.monitor->Start();
    } else {
        DebugLog(L"EnumDeviceDelayEvent could not be created: no device monitor");
    }
}

void CHitchDlg::JoinMonitorThread() {
    m_bMonitorRun = FALSE;
    if (m_pDetection != nullptr && m_pDetection->monitor) {
        m_pDetection->monitor->Stop();
        m_pDetection->monitor.reset();
    }
}

void CHitchDlg::StopMonitor() {
    // Joined first, before anything the passes use goes away.
    JoinMonitorThread();
    if (m_pPortService != nullptr) {
        m_pPortService->StopServer();
        delete m_pPortService;
        m_pPortService = nullptr;
    }
    delete m_pDetection;
    m_pDetection = nullptr;
    m_mapPhones.RemoveAll();
    m_mapBtDevices.RemoveAll();
    m_arrBroadcast.clear();
}

void CHitchDlg::BroadCastConnectPhoneChanged() {
    if (m_pDetection != nullptr && m_pDetection->broadcast) {
        m_pDetection->broadcast->BroadCastConnectPhoneChanged();
    }
}

void CHitchDlg::RetrySilentDevices() {
    if (m_pDetection != nullptr) {
        m_pDetection->detector.RetrySilentDevices();
    }
}

BOOL CHitchDlg::IsConnectTypeEnabled(int nIndex) {
    hitched::Win32ProfileReader settings(hitched::ToU16String(m_strDataFile));
    return hitched::IsConnectTypeEnabled(settings, nIndex) ? TRUE : FALSE;
}

void CHitchDlg::OnRetryPushTimer() {
    KillTimer(hitched::kRetryPushTimerId);
    if (m_pPortService != nullptr) {
        m_pPortService->BroadcastDeviceChanged({}, true);
    }
}
