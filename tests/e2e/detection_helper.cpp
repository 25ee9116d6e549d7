// What the detection end-to-end test needs from inside Wine:
//   detection_helper devicechange      broadcast WM_DEVICECHANGE (DBT_DEVNODES_CHANGED) to every
//                                      top-level window, as Windows does when a device comes
//   detection_helper hold NAME         open the named mutex NAME (another suite program using
//                                      a phone) and keep it until stdin ends
//   detection_helper debuglog          print every OutputDebugString line of every process as
//                                      "PID: text" until stdin ends (Wine's own debug channels
//                                      do not carry them to a Linux-side driver)
#include "debug_monitor.h"

#include <windows.h>

#include <atomic>

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

// Reads stdin to its end on a thread: the driver ends a helper by closing its stdin, which
// lets it clean up instead of leaving a Windows process behind in the wineserver.
class StdinEnd {
public:
    StdinEnd()
        : m_thread([this] {
              char line[64];
              while (std::fgets(line, sizeof(line), stdin) != nullptr) {
              }
              m_ended = true;
          }) {}
    ~StdinEnd() { m_thread.detach(); }
    bool Ended() const { return m_ended; }

private:
    std::atomic<bool> m_ended{false};
    std::thread m_thread;
};

int PrintDebugOutput() {
    DebugMonitor monitor;
    if (!monitor.Ok()) {
        std::printf("another debug-output monitor is running\n");
        return 1;
    }
    std::printf("monitoring\n");
    std::fflush(stdout);
    StdinEnd input;
    size_t next = 0;
    while (!input.Ended()) {
        for (const auto& [pid, text] : monitor.LinesSince(next, 100)) {
            std::printf("%lu: %s\n", pid, text.c_str());
            ++next;
        }
        std::fflush(stdout);
    }
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
    if (argc >= 2 && std::wcscmp(argv[1], L"debuglog") == 0) {
        return PrintDebugOutput();
    }
    std::fprintf(stderr, "usage: detection_helper devicechange | hold NAME | debuglog\n");
    return 2;
}
