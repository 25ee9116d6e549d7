// What the detection end-to-end test needs from inside Wine:
//   detection_helper devicechange      broadcast WM_DEVICECHANGE (DBT_DEVNODES_CHANGED) to every
//                                      top-level window, as Windows does when a device comes
//   detection_helper hold NAME         open the named mutex NAME (another suite program using
//                                      a phone) and keep it until stdin ends
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr WPARAM kDevNodesChanged = 0x0007;

int BroadcastDeviceChange() {
    DWORD recipients = BSM_APPLICATIONS;
    const long result = ::BroadcastSystemMessageW(
        BSF_FORCEIFHUNG | BSF_IGNORECURRENTTASK, &recipients, WM_DEVICECHANGE, kDevNodesChanged, 0);
    std::printf("broadcast WM_DEVICECHANGE: %ld\n", result);
    return result > 0 ? 0 : 1;
}

int HoldMutex(const wchar_t* name) {
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
    if (mutex == nullptr) {
        std::printf("cannot create the mutex: %lu\n", ::GetLastError());
        return 1;
    }
    std::printf("holding\n");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof(line), stdin) != nullptr) {
    }
    ::CloseHandle(mutex);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"devicechange") == 0) {
        return BroadcastDeviceChange();
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"hold") == 0) {
        return HoldMutex(argv[2]);
    }
    std::fprintf(stderr, "usage: detection_helper devicechange | hold NAME\n");
    return 2;
}
