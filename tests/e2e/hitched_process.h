#pragma once
// One hitched.exe started by a test. It is always terminated when the object goes, also when
// the test fails half-way, so no process outlives its test.
#include <windows.h>

#include "../app/dist_dir.h"

#include <string>

class HitchedProcess {
public:
    HitchedProcess() = default;
    ~HitchedProcess() { Terminate(); }
    HitchedProcess(const HitchedProcess&) = delete;
    HitchedProcess& operator=(const HitchedProcess&) = delete;

    // Starts `exe` with `arguments` after its quoted path.
    bool Start(const std::wstring& exe, const std::wstring& arguments = L"");
    DWORD Pid() const { return m_info.dwProcessId; }
    bool IsRunning() const;
    // Waits for the process to end by itself; false on time-out.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    // Its top-level dialog window, once it exists; nullptr on time-out.
    HWND WaitForMainWindow(DWORD timeoutMs) const;
    void Terminate();

private:
    PROCESS_INFORMATION m_info{};
};

// Text of a window of any process.
std::wstring WindowText(HWND hWnd);
