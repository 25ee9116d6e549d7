// devicechange: tells every top-level window that the device tree changed (WM_DEVICECHANGE
// with DBT_DEVNODES_CHANGED, broadcast as Windows does when a device comes or goes). On the
// simulated machine it is how a plugged or unplugged phone is announced after the scenario
// file was rewritten.
#include <windows.h>

#include <cstdio>

int main() {
    constexpr WPARAM kDevNodesChanged = 0x0007;
    DWORD recipients = BSM_APPLICATIONS;
    const long result = ::BroadcastSystemMessageW(
        BSF_FORCEIFHUNG | BSF_IGNORECURRENTTASK, &recipients, WM_DEVICECHANGE, kDevNodesChanged, 0);
    std::printf("broadcast WM_DEVICECHANGE: %ld\n", result);
    return result > 0 ? 0 : 1;
}
