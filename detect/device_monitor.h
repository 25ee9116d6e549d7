#pragma once
// The device-change monitor: a worker thread that runs a detection pass at least every 20 s
// and at once after a wake-up. It is reset only after each pass, so the first pass runs as
// soon as the thread starts and a wake-up during a pass is absorbed by that pass.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace hitched {

constexpr uint32_t kMonitorWaitMs = 20000;
constexpr std::size_t kMonitorBufferBytes = 51200;

// The delay event "EnumDeviceDelayEvent" (manual reset).
class IDelayEvent {
public:
    virtual ~IDelayEvent() = default;
    virtual void Wait(uint32_t timeoutMs) = 0;
    virtual void Set() = 0;
    virtual void Reset() = 0;
};

// A manual-reset event inside one process.
class ManualResetEvent : public IDelayEvent {
public:
    explicit ManualResetEvent(bool signalled) : m_signalled(signalled) {}
    void Wait(uint32_t timeoutMs) override;
    void Set() override;
    void Reset() override;

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_signalled;
};

// What the monitor does on each round; the main dialog answers.
class IMonitorHost {
public:
    virtual ~IMonitorHost() = default;
    virtual void BroadCastConnectPhoneChanged() = 0;
    // Whether the last pass changed the table.
    virtual bool ListChanged() = 0;
    // After a changed pass: show the new list where a page waits for it. The buffer is
    // zeroed and kMonitorBufferBytes long.
    virtual void ShowConnectedPhones(void* buffer, std::size_t bytes) = 0;
};

class CDeviceMonitor {
public:
    // runFlag is the owner's m_bMonitorRun: the loop runs while it is nonzero.
    CDeviceMonitor(IMonitorHost& host, IDelayEvent& delayEvent, std::atomic<int>& runFlag)
        : m_host(host), m_event(delayEvent), m_runFlag(runFlag) {}
    ~CDeviceMonitor() { Stop(); }
    CDeviceMonitor(const CDeviceMonitor&) = delete;
    CDeviceMonitor& operator=(const CDeviceMonitor&) = delete;

    void Start();
    // Clears the run flag, wakes the thread and waits for the pass in progress to end.
    void Stop();
    // The thread body; public so tests can run it on their own thread.
    void Run();

private:
    IMonitorHost& m_host;
    IDelayEvent& m_event;
    std::atomic<int>& m_runFlag;
    std::thread m_thread;
};

} // namespace hitched
