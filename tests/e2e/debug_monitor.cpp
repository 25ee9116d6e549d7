#include "debug_monitor.h"

#include <chrono>
#include <cstring>

namespace {
constexpr DWORD kBufferSize = 4096;
}

DebugMonitor::DebugMonitor() {
    m_hBufferReady = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    const bool exists = ::GetLastError() == ERROR_ALREADY_EXISTS;
    m_hDataReady = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    m_hMapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize,
                                      L"DBWIN_BUFFER");
    if (m_hMapping != nullptr) {
        m_view = static_cast<const char*>(::MapViewOfFile(m_hMapping, FILE_MAP_READ, 0, 0, 0));
    }
    m_ok = !exists && m_hBufferReady && m_hDataReady && m_view;
    if (m_ok) {
        m_thread = std::thread([this] { Run(); });
    }
}

DebugMonitor::~DebugMonitor() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_view != nullptr) {
        ::UnmapViewOfFile(m_view);
    }
    for (HANDLE h : {m_hMapping, m_hDataReady, m_hBufferReady}) {
        if (h != nullptr) {
            ::CloseHandle(h);
        }
    }
}

void DebugMonitor::Run() {
    ::SetEvent(m_hBufferReady);
    for (;;) {
        const DWORD wait = ::WaitForSingleObject(m_hDataReady, 50);
        std::lock_guard<std::mutex> guard(m_lock);
        if (wait == WAIT_OBJECT_0) {
            DWORD pid = 0;
            std::memcpy(&pid, m_view, sizeof(pid));
            std::string text(m_view + sizeof(pid),
                             strnlen(m_view + sizeof(pid), kBufferSize - sizeof(pid)));
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
                text.pop_back();
            }
            m_lines.emplace_back(pid, text);
            m_changed.notify_all();
            ::SetEvent(m_hBufferReady);
        }
        if (m_stop) {
            return;
        }
    }
}

std::vector<std::string> DebugMonitor::Lines(DWORD pid) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::string> lines;
    for (const auto& [linePid, text] : m_lines) {
        if (linePid == pid) {
            lines.push_back(text);
        }
    }
    return lines;
}

int DebugMonitor::WaitForLine(DWORD pid, const std::string& text, DWORD timeoutMs, size_t from) {
    std::unique_lock<std::mutex> guard(m_lock);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t index = 0;
        for (const auto& [linePid, line] : m_lines) {
            if (linePid != pid) {
                continue;
            }
            if (index >= from && line.find(text) != std::string::npos) {
                return static_cast<int>(index);
            }
            ++index;
        }
        if (m_changed.wait_until(guard, deadline) == std::cv_status::timeout) {
            return -1;
        }
    }
}

std::vector<std::pair<DWORD, std::string>> DebugMonitor::LinesSince(size_t from, DWORD timeoutMs) {
    std::unique_lock<std::mutex> guard(m_lock);
    m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                       [&] { return m_lines.size() > from; });
    if (m_lines.size() <= from) {
        return {};
    }
    return {m_lines.begin() + static_cast<std::ptrdiff_t>(from), m_lines.end()};
}
