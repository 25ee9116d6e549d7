#include "hitched_process.h"

#include "res/resource.h"

#include <vector>

bool HitchedProcess::Start(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return ::CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &m_info) != FALSE;
}

bool HitchedProcess::IsRunning() const {
    return m_info.hProcess != nullptr && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool HitchedProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (m_info.hProcess == nullptr ||
        ::WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    if (exitCode != nullptr) {
        ::GetExitCodeProcess(m_info.hProcess, exitCode);
    }
    return true;
}

namespace {

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialogOf(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    wchar_t className[64] = {};
    ::GetClassNameW(hWnd, className, 64);
    // The frame is the program's dialog that holds the page placeholder; the troubleshooting
    // dialog is a top-level dialog of the process too.
    if (pid == search->pid && std::wstring(className) == L"#32770" &&
        ::GetDlgItem(hWnd, IDC_PAGE_PLACEHOLDER) != nullptr) {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND HitchedProcess::WaitForMainWindow(DWORD timeoutMs) const {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    do {
        WindowSearch search{m_info.dwProcessId, nullptr};
        ::EnumWindows(&FindDialogOf, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        ::Sleep(20);
    } while (::GetTickCount64() < end);
    return nullptr;
}

void HitchedProcess::Terminate() {
    if (m_info.hProcess != nullptr) {
        ::TerminateProcess(m_info.hProcess, 1);
        ::WaitForSingleObject(m_info.hProcess, 5000);
        ::CloseHandle(m_info.hProcess);
        ::CloseHandle(m_info.hThread);
    }
    m_info = PROCESS_INFORMATION{};
}

std::wstring WindowText(HWND hWnd) {
    wchar_t text[512] = {};
    ::GetWindowTextW(hWnd, text, 512);
    return text;
}
