// What the installer test cannot see from Linux, asked line by line on stdin as a launcher of
// the suite would: it holds the start-up event (a launcher creates it before it starts Hitched,
// which sets it), and for each line prints "event=0|1 window=0|1 iconic=0|1" for the running
// hitched.exe (started hidden, the wizard is force-minimised). The line "reset" clears the
// event first, before the next start.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

struct Found {
    bool window = false;
    bool iconic = false;
};

bool IsHitchedProcess(DWORD pid) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        return false;
    }
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    const bool named = ::QueryFullProcessImageNameW(process, 0, path, &length) != FALSE;
    ::CloseHandle(process);
    const wchar_t* base = std::wcsrchr(path, L'\\');
    return named && _wcsicmp(base ? base + 1 : path, L"hitched.exe") == 0;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM found) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    // The wizard is the program's one top-level dialog.
    if (std::wcscmp(className, L"#32770") == 0 && IsHitchedProcess(pid)) {
        auto* state = reinterpret_cast<Found*>(found);
        state->window = true;
        state->iconic = state->iconic || ::IsIconic(window);
    }
    return TRUE;
}

} // namespace

int main() {
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, L"KV_Ostra_Hitched.exe_started");
    if (event == nullptr) {
        std::printf("no event: %lu\n", ::GetLastError());
        return 1;
    }
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        if (std::strncmp(line, "reset", 5) == 0) {
            ::ResetEvent(event);
        }
        const bool set = ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
        Found found;
        ::EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&found));
        std::printf("event=%d window=%d iconic=%d\n", set ? 1 : 0, found.window ? 1 : 0,
                    found.iconic ? 1 : 0);
        std::fflush(stdout);
    }
    ::CloseHandle(event);
    return 0;
}
