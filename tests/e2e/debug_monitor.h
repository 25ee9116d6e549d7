#pragma once
// Reads what other processes write with OutputDebugString, the way a debug viewer does
// (the DBWIN_BUFFER protocol), so tests can follow hitched.exe's debug log. Only one monitor
// may run on a desktop at a time; the tests that use one share a CTest resource lock.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DebugMonitor {
public:
    DebugMonitor();
    ~DebugMonitor();
    DebugMonitor(const DebugMonitor&) = delete;
    DebugMonitor& operator=(const DebugMonitor&) = delete;

    // False when another monitor already owns the buffer.
    bool Ok() const { return m_ok; }

    // The lines of one process so far, in order, each without its line end.
    std::vector<std::string> Lines(DWORD pid);
    // Waits for a line of `pid` containing `text`, counting from line `from`; its index or -1.
    int WaitForLine(DWORD pid, const std::string& text, DWORD timeoutMs, size_t from = 0);
    // The lines of every process from index `from` on, waiting up to `timeoutMs` for the first.
    std::vector<std::pair<DWORD, std::string>> LinesSince(size_t from, DWORD timeoutMs);

private:
    void Run();

    bool m_ok = false;
    HANDLE m_hBufferReady = nullptr;
    HANDLE m_hDataReady = nullptr;
    HANDLE m_hMapping = nullptr;
    const char* m_view = nullptr;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_stop = false;
    std::vector<std::pair<DWORD, std::string>> m_lines;
};
