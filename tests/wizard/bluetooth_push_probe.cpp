// The real wizard frame in this process, with KVBluetoothComm.dll over the simulated radio, for
// bluetooth_push_test.py. It prints "ready" once the port service listens; then each "pass"
// line on stdin lists the radio's devices, marks the first paired one connected the way the
// pairing step does, and runs a detection pass ("pass N phones" after it). End of input ends it.
#include "detect/utf16_field.h"
#include "portservice/port_service.h"
#include "res/resource.h"
#include "ui/win_app.h"
#include "wizard/hitch_dlg.h"

#include "../support/installed_language_file.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

// A search long enough for the radio's answer, then the first paired device it listed.
bool FirstPairedDevice(CBluetoothDetectObj& radio, _BTDEVICEENTRY_T& entry) {
    if (radio.StartDetect() != 0) {
        return false;
    }
    ::Sleep(300);
    radio.StopDetect();
    int count = 0;
    radio.GetDeviceCount(&count);
    for (int i = 0; i < count; ++i) {
        _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info = nullptr;
        if (radio.GetDeviceInfo(i, &info) == 0 && info->fAuthenticated != 0) {
            entry = {};
            entry.stDeviceInfo = *info;
            return true;
        }
    }
    return false;
}

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

} // namespace

int main() {
    hitched::test::InstalledLanguageFile language;
    CWinApp app;
    CHitchDlg dlg;
    app.m_pMainWnd = &dlg;
    if (!dlg.Create(IDD_HITCHED_DIALOG, nullptr) || dlg.m_pBtDetect == nullptr) {
        Say("no frame or no Bluetooth object");
        return 1;
    }
    Say("ready");
    const DWORD uiThread = ::GetCurrentThreadId();
    std::thread commands([&] {
        std::string line;
        while (std::getline(std::cin, line)) {
            _BTDEVICEENTRY_T entry{};
            if (line.rfind("pass", 0) != 0 || !FirstPairedDevice(*dlg.m_pBtDetect, entry)) {
                Say("no paired device");
                continue;
            }
            entry.bConnected = 1;
            dlg.StoreBtDevice(entry);
            dlg.BroadCastConnectPhoneChanged();
            std::vector<_CONNECTEDPHONE_T> phones(25);
            const int n = dlg.m_pPortService->CopyConnectedPhones(
                phones.data(), phones.size() * sizeof(_CONNECTEDPHONE_T));
            Say("pass " + std::to_string(n) + " phones");
        }
        ::PostThreadMessageW(uiThread, WM_QUIT, 0, 0);
    });
    app.Run();
    commands.join();
    app.m_pMainWnd = nullptr;
    return 0;
}
