#include "detect/device_monitor.h"

#include "app/trace.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <memory>
#include <new>

namespace hitched {

void ManualResetEvent::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_signalled; });
}

void ManualResetEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_signalled = true;
    }
    m_changed.notify_all();
}

void ManualResetEvent::Reset() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_signalled = false;
}

void CDeviceMonitor::Start() {
    if (!m_thread.joinable()) {
        m_thread = std::thread([this] { Run(); });
    }
}

void CDeviceMonitor::Stop() {
    m_runFlag = 0;
    m_event.Set();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CDeviceMonitor::Run() {
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kMonitorBufferBytes]);
    if (!buffer) {
        return;
    }
    try {
        while (m_runFlag != 0) {
            m_event.Wait(kMonitorWaitMs);
            if (m_runFlag == 0) {
                break; // woken to stop: no pass on a dialog that is going away
            }
            m_host.BroadCastConnectPhoneChanged();
            if (m_host.ListChanged()) {
                std::memset(buffer.get(), 0, kMonitorBufferBytes);
                m_host.ShowConnectedPhones(buffer.get(), kMonitorBufferBytes);
            }
            m_event.Reset();
        }
    } catch (const std::exception&) {
        // Only the framework's exceptions are caught; the thread ends as after the loop.
        Trace(u"Device monitor ended by an exception");
    }
}

} // namespace hitched
