// The Windows owner in a stop: a connection thread waiting in its switch message for the very
// thread that stops the server gets that message served by the stop, with its code and flag.
// In-process under Wine, with a real window on the test's thread.
#include "portservice/window_owner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/portservice/server_test_support.h"

using namespace std::chrono_literals;
using hitched::testing::WaitUntil;

namespace {

std::vector<std::pair<WPARAM, LPARAM>> g_switches; // touched on the window's thread only

LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == hitched::WM_CONNECT_TYPE_SWITCH) {
        g_switches.emplace_back(wParam, lParam);
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(WindowOwnerStop, TheStopServesTheSwitchMessageAConnectionThreadWaitsIn) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = OwnerWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"HitchedOwnerStopTest";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    {
        hitched::CWindowPortServiceOwner owner(window, window);
        CPortService server(owner, hitched::PlatformSocketLayer(), hitched::testing::TestConfig());
        ASSERT_TRUE(server.StartServer());
        hitched::testing::TestClient client(server.BoundPort());
        ASSERT_TRUE(client.Send(u"EnableConnectType\r\nENABLE_CONN_TYPE_USB"));
        // The connection thread now waits in SendMessageW for this thread, which is not pumping.
        ASSERT_TRUE(WaitUntil(
            [] { return (GetQueueStatus(QS_SENDMESSAGE) & (QS_SENDMESSAGE << 16)) != 0; }, 5s));
        std::atomic<bool> stopped{false};
        std::thread watchdog([&] {
            if (!WaitUntil([&] { return stopped.load(); }, 20s)) {
                std::fputs("StopServer hangs on the connection thread's message\n", stderr);
                std::fflush(nullptr);
                std::_Exit(1);
            }
        });
        server.StopServer();
        stopped = true;
        watchdog.join();
    }
    EXPECT_EQ(g_switches, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 1}}));
    DestroyWindow(window);
}

} // namespace
