// The monitor thread: first pass at once, wake-ups during a pass absorbed, the changed list
// shown, and a stop that waits for the pass in progress.
#include "detect/device_monitor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace hitched::test {
namespace {

using namespace std::chrono_literals;

class CountingHost : public IMonitorHost {
public:
    void BroadCastConnectPhoneChanged() override {
        std::unique_lock<std::mutex> lock(m);
        ++passes;
        inPass = true;
        cv.notify_all();
        cv.wait(lock, [this] { return !holdPass; });
        inPass = false;
        if (throwOnPass) {
            throw std::runtime_error("framework");
        }
    }
    bool ListChanged() override { return changed; }
    void ShowConnectedPhones(void* buffer, std::size_t bytes) override {
        const auto* b = static_cast<const unsigned char*>(buffer);
        zeroed = bytes == kMonitorBufferBytes && b[0] == 0 && b[bytes - 1] == 0;
        std::memset(buffer, 0xFF, bytes); // dirty it: the next call must see it cleared again
        ++shown;
    }
    template <typename P> bool WaitFor(P p) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 5s, p);
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m);
        holdPass = false;
        cv.notify_all();
    }

    std::mutex m;
    std::condition_variable cv;
    int passes = 0;
    bool inPass = false;
    bool holdPass = false;
    bool changed = false;
    bool throwOnPass = false;
    bool zeroed = false;
    int shown = 0;
};

TEST(DeviceMonitorTest, FirstPassAtOnceWakeUpsDuringAPassAbsorbedAndChangesShown) {
    CountingHost host;
    ManualResetEvent event(true); // created signalled
    std::atomic<int> run{1};
    host.holdPass = true;
    host.changed = true;
    CDeviceMonitor monitor(host, event, run);
    monitor.Start();
    ASSERT_TRUE(host.WaitFor([&] { return host.passes == 1 && host.inPass; }));
    event.Set(); // arrives during the pass: the reset after it swallows it
    event.Set();
    host.Release();
    std::this_thread::sleep_for(200ms);
    {
        std::lock_guard<std::mutex> lock(host.m);
        EXPECT_EQ(host.passes, 1);
    }
    event.Set(); // between passes: one more pass
    EXPECT_TRUE(host.WaitFor([&] { return host.passes == 2; }));
    monitor.Stop();
    EXPECT_EQ(run.load(), 0);
    std::lock_guard<std::mutex> lock(host.m);
    EXPECT_EQ(host.passes, 2); // the stop wake-up runs no pass
    EXPECT_EQ(host.shown, 2);  // each changed pass shows its list in a cleared buffer
    EXPECT_TRUE(host.zeroed);
}

TEST(DeviceMonitorTest, StopWaitsForThePassInProgress) {
    CountingHost host;
    host.holdPass = true;
    ManualResetEvent event(true);
    std::atomic<int> run{1};
    CDeviceMonitor monitor(host, event, run);
    monitor.Start();
    ASSERT_TRUE(host.WaitFor([&] { return host.inPass; }));
    std::thread releaser([&] {
        std::this_thread::sleep_for(100ms);
        host.Release();
    });
    monitor.Stop(); // must not return while the pass still runs
    {
        std::lock_guard<std::mutex> lock(host.m);
        EXPECT_FALSE(host.inPass);
    }
    releaser.join();
}

TEST(DeviceMonitorTest, ExceptionEndsTheThreadAndStopStillJoins) {
    CountingHost host;
    host.throwOnPass = true;
    ManualResetEvent event(true);
    std::atomic<int> run{1};
    CDeviceMonitor monitor(host, event, run);
    monitor.Start();
    ASSERT_TRUE(host.WaitFor([&] { return host.passes == 1; }));
    event.Set();
    std::this_thread::sleep_for(100ms);
    monitor.Stop();
    EXPECT_EQ(host.passes, 1);
}

} // namespace
} // namespace hitched::test
