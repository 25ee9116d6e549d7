// The Windows owner of the port service sets and kills the retry timer on the main window. A
// timer belongs to its window's thread, so from any other thread the owner asks that thread.
#include "portservice/window_owner.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class WindowOwnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = ::CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(m_window, nullptr);
    }
    void TearDown() override { ::DestroyWindow(m_window); }

    // The timer requests waiting in this thread's queue, oldest first, as wParam values.
    std::vector<WPARAM> TakeRequests() {
        std::vector<WPARAM> requests;
        MSG msg;
        while (::PeekMessageW(&msg, m_window, hitched::WM_RETRY_TIMER_REQUEST,
                              hitched::WM_RETRY_TIMER_REQUEST, PM_REMOVE)) {
            requests.push_back(msg.wParam);
        }
        return requests;
    }

    HWND m_window = nullptr;
};

TEST_F(WindowOwnerTest, OnTheWindowsThreadTheTimerIsSetAndKilledDirectly) {
    hitched::CWindowPortServiceOwner owner(m_window, m_window);
    owner.SetRetryTimer();
    EXPECT_TRUE(::KillTimer(m_window, hitched::kRetryPushTimerId)) << "timer 103 was running";
    owner.SetRetryTimer();
    owner.KillRetryTimer();
    EXPECT_FALSE(::KillTimer(m_window, hitched::kRetryPushTimerId));
    EXPECT_TRUE(TakeRequests().empty());
}

TEST_F(WindowOwnerTest, FromAnotherThreadTheWindowsThreadIsAskedInOrder) {
    hitched::CWindowPortServiceOwner owner(m_window, m_window);
    std::thread broadcast([&] {
        owner.SetRetryTimer();
        owner.KillRetryTimer();
        owner.SetRetryTimer();
    });
    broadcast.join();
    EXPECT_FALSE(::KillTimer(m_window, hitched::kRetryPushTimerId)) << "nothing set off-thread";
    EXPECT_EQ(TakeRequests(), (std::vector<WPARAM>{1, 0, 1}));

    // What the main window does with them.
    hitched::HandleRetryTimerRequest(m_window, 1);
    EXPECT_TRUE(::KillTimer(m_window, hitched::kRetryPushTimerId));
}

} // namespace
