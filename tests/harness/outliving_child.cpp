// Starts a copy of itself that inherits this program's output and outlives it by a minute, as
// a Wine helper started on demand does, then exits. Run through the Wine runner, the test
// must end with this program, not with the child.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "child") == 0) {
        ::Sleep(60000);
        return 0;
    }
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t command[MAX_PATH + 16] = {};
    std::swprintf(command, MAX_PATH + 16, L"\"%ls\" child", self);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                          &pi)) {
        std::printf("could not start the child: %lu\n", ::GetLastError());
        return 1;
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    std::printf("child started, leaving\n");
    return 0;
}
