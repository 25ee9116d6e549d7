// hitched.exe as other programs of the suite meet it: started, started again, shown, hidden
// and left, each observed from this separate process. Every test terminates what it started.
#include "app/app_names.h"
#include "debug_monitor.h"
#include "hitched_process.h"
#include "res/resource.h"

#include "../app/temp_file.h"
#include "../ui/message_pump.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using hitched::test::PumpUntil;

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kReactionTimeoutMs = 5000;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::wstring DistExe() {
    return DistDir() + L"hitched.exe";
}

// A text of the language file the build installed.
std::wstring InstalledText(const wchar_t* key) {
    wchar_t text[1024] = {};
    const std::wstring file = DistDir() + L"languages\\language.lgg";
    ::GetPrivateProfileStringW(L"Hitch", key, L"", text, 1024, file.c_str());
    return text;
}

bool ShownNormally(HWND hWnd) {
    return ::IsWindowVisible(hWnd) && !::IsIconic(hWnd);
}

bool InFront(HWND hWnd) {
    return ShownNormally(hWnd) && ::GetForegroundWindow() == hWnd;
}

// A hidden top-level window of this process that counts the suite's launch broadcasts.
class LaunchListener {
public:
    LaunchListener() {
        s_launchMessage = ::RegisterWindowMessageW(hitched::kLaunchApplicationMessageName);
        s_count = 0;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &Proc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"HitchedLaunchListener";
        ::RegisterClassW(&windowClass);
        m_hWnd = ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10,
                                   nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    ~LaunchListener() { ::DestroyWindow(m_hWnd); }
    int Count() const { return s_count; }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == s_launchMessage) {
            ++s_count;
        }
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
    static inline UINT s_launchMessage = 0;
    static inline int s_count = 0;
    HWND m_hWnd = nullptr;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(DistDir().empty()) << "HITCHED_DIST_DIR is not set";
        ASSERT_TRUE(m_monitor.Ok()) << "another debug-output monitor is running";
        m_started = ::CreateEventW(nullptr, TRUE, FALSE, hitched::kStartupEventName);
        ASSERT_NE(m_started, nullptr);
        ::ResetEvent(m_started);
        m_show = ::RegisterWindowMessageW(hitched::kShowWindowMessageName);
        m_hide = ::RegisterWindowMessageW(hitched::kHideWindowMessageName);
    }
    void TearDown() override {
        if (m_started != nullptr) {
            ::CloseHandle(m_started);
        }
    }

    // Starts the first instance and waits for its start-up event and its window.
    HWND StartFirst(HitchedProcess& process, const std::wstring& arguments = L"",
                    const std::wstring& exe = DistExe()) {
        if (!process.Start(exe, arguments)) {
            ADD_FAILURE() << "cannot start " << Narrow(exe);
            return nullptr;
        }
        if (::WaitForSingleObject(m_started, kStartTimeoutMs) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "start-up event not set";
            return nullptr;
        }
        return process.WaitForMainWindow(kReactionTimeoutMs);
    }

    // Waits until every message posted to the window before this call has been handled: a
    // device-change notice goes through the same queue and leaves a line in the debug log.
    bool Settle(const HitchedProcess& process, HWND hWnd) {
        const size_t from = m_monitor.Lines(process.Pid()).size();
        const WPARAM marker = 0x7000 + (++m_markers);
        ::PostMessageW(hWnd, WM_DEVICECHANGE, marker, 0);
        const std::string line =
            "--device changed : message = 537, wParam = " + std::to_string(marker) + ", lParam = 0";
        return m_monitor.WaitForLine(process.Pid(), line, kReactionTimeoutMs, from) >= 0;
    }

    static void Broadcast(UINT message, WPARAM wParam = 0) {
        DWORD recipients = BSM_APPLICATIONS;
        ::BroadcastSystemMessageW(hitched::kBroadcastFlags, &recipients, message, wParam, 0);
    }

    DebugMonitor m_monitor; // before any process starts, so no line is missed
    HANDLE m_started = nullptr;
    UINT m_show = 0;
    UINT m_hide = 0;
    int m_markers = 0;
};

} // namespace

TEST_F(StartupTest, StartupEventIsSetAndTheWizardShowsNormallyWithItsTexts) {
    HitchedProcess hitched;
    HWND hWnd = StartFirst(hitched, L"--from-test");
    ASSERT_NE(hWnd, nullptr);
    EXPECT_TRUE(ShownNormally(hWnd));
    EXPECT_EQ(WindowText(hWnd), InstalledText(L"AFX_IDS_APP_TITLE"));
    EXPECT_EQ(WindowText(::GetDlgItem(hWnd, IDC_BTN_NEXT)),
              InstalledText(L"IDS_STRING_BTCAPTION_NEXT"));
    EXPECT_EQ(WindowText(::GetDlgItem(hWnd, IDC_BTN_CANCEL)),
              InstalledText(L"IDS_STRING_BTCAPTION_CANCEL"));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hWnd, IDC_BTN_PREVIOUS)));

    // The start-up trace, in order, each line with its marker at the end.
    ASSERT_TRUE(Settle(hitched, hWnd));
    const auto lines = m_monitor.Lines(hitched.Pid());
    const std::vector<std::string> expected = {
        "create mutex---[Hitched]", "start app---[Hitched]",
        "--Server cmdline: ", "--m_MsgHideWindow = " + std::to_string(m_hide) + "---[Hitched]",
        "--m_MsgShowWindow = " + std::to_string(m_show) + "---[Hitched]"};
    size_t at = 0;
    for (const std::string& line : lines) {
        if (at < expected.size() && line.rfind(expected[at], 0) == 0) {
            ++at;
        }
    }
    EXPECT_EQ(at, expected.size()) << "start-up trace incomplete or out of order";
    bool commandLineLogged = false;
    for (const std::string& line : lines) {
        commandLineLogged |=
            line.find("--Server cmdline: ") == 0 &&
            line.find("hitched.exe\" --from-test---[Hitched]") != std::string::npos;
        EXPECT_EQ(line.find("hide server window"), std::string::npos);
    }
    EXPECT_TRUE(commandLineLogged);
}

TEST_F(StartupTest, SecondStartExitsAndBringsTheFirstWindowToTheFront) {
    HitchedProcess first;
    HWND hWnd = StartFirst(first);
    ASSERT_NE(hWnd, nullptr);

    // From hidden.
    ::PostMessageW(hWnd, m_hide, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hWnd); }, kReactionTimeoutMs));
    HitchedProcess second;
    ASSERT_TRUE(second.Start(DistExe()));
    DWORD exitCode = 1234;
    ASSERT_TRUE(second.WaitForExit(kStartTimeoutMs, &exitCode)) << "second instance kept running";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(PumpUntil([&] { return InFront(hWnd); }, kReactionTimeoutMs))
        << "visible " << ::IsWindowVisible(hWnd) << ", iconic " << ::IsIconic(hWnd)
        << ", foreground " << (::GetForegroundWindow() == hWnd);
    const auto secondLines = m_monitor.Lines(second.Pid());
    ASSERT_FALSE(secondLines.empty());
    EXPECT_EQ(secondLines.front(), "create mutex---[Hitched]");
    for (const std::string& line : secondLines) {
        EXPECT_EQ(line.find("start app"), std::string::npos) << "second instance went on";
    }

    // From minimised.
    ::PostMessageW(hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(hWnd) != FALSE; }, kReactionTimeoutMs));
    HitchedProcess third;
    ASSERT_TRUE(third.Start(DistExe()));
    ASSERT_TRUE(third.WaitForExit(kStartTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(PumpUntil([&] { return InFront(hWnd); }, kReactionTimeoutMs));

    EXPECT_TRUE(first.IsRunning());
    EXPECT_GE(m_monitor.WaitForLine(first.Pid(), "--show hitched dlg :" + std::to_string(m_show),
                                    kReactionTimeoutMs),
              0);
}

TEST_F(StartupTest, HideNameAnywhereInTheCommandLineStartsForceMinimised) {
    HitchedProcess hitched;
    const std::wstring argument =
        std::wstring(L"--launcher=suite") + hitched::kHideWindowMessageName + L"-tail";
    HWND hWnd = StartFirst(hitched, L"first " + argument + L" last");
    ASSERT_NE(hWnd, nullptr);
    EXPECT_TRUE(::IsIconic(hWnd));
    EXPECT_GE(m_monitor.WaitForLine(hitched.Pid(), "hide server window", kReactionTimeoutMs), 0);
    // The show message still brings it up.
    ::PostMessageW(hWnd, m_show, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return InFront(hWnd); }, kReactionTimeoutMs));
}

TEST_F(StartupTest, ShowNameOrACaseVariantOfTheHideNameStartsNormally) {
    std::wstring upper = hitched::kHideWindowMessageName;
    upper[0] = L'M';
    HitchedProcess hitched;
    HWND hWnd = StartFirst(hitched, std::wstring(hitched::kShowWindowMessageName) + L" " + upper);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_TRUE(ShownNormally(hWnd));
    ASSERT_TRUE(Settle(hitched, hWnd));
    for (const std::string& line : m_monitor.Lines(hitched.Pid())) {
        EXPECT_EQ(line.find("hide server window"), std::string::npos);
    }
}

TEST_F(StartupTest, ShowAndHideMessagesPostedByAnotherProgram) {
    HitchedProcess hitched;
    HWND hWnd = StartFirst(hitched);
    ASSERT_NE(hWnd, nullptr);
    ::PostMessageW(hWnd, m_hide, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hWnd); }, kReactionTimeoutMs));
    EXPECT_GE(m_monitor.WaitForLine(hitched.Pid(), "--hide hitched dlg :" + std::to_string(m_hide),
                                    kReactionTimeoutMs),
              0);
    ::PostMessageW(hWnd, m_show, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return InFront(hWnd); }, kReactionTimeoutMs));

    // A minimised wizard is restored.
    ::PostMessageW(hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(hWnd) != FALSE; }, kReactionTimeoutMs));
    ::PostMessageW(hWnd, m_show, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return InFront(hWnd); }, kReactionTimeoutMs));
    EXPECT_TRUE(hitched.IsRunning());
}

TEST_F(StartupTest, ShowAndHideMessagesBroadcastByAnotherProgram) {
    HitchedProcess hitched;
    HWND hWnd = StartFirst(hitched);
    ASSERT_NE(hWnd, nullptr);
    Broadcast(m_hide);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hWnd); }, kReactionTimeoutMs));
    Broadcast(m_show);
    EXPECT_TRUE(PumpUntil([&] { return InFront(hWnd); }, kReactionTimeoutMs));
    // A hide after a show wins again: the requests are not one-shot.
    Broadcast(m_hide);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hWnd); }, kReactionTimeoutMs));
}

TEST_F(StartupTest, CloseBoxAndCancelHideTheWizardAndBroadcastTheLaunchMessage) {
    LaunchListener listener;
    HitchedProcess hitched;
    HWND hWnd = StartFirst(hitched);
    ASSERT_NE(hWnd, nullptr);

    struct Way {
        const char* name;
        void (*leave)(HWND);
    };
    const Way ways[] = {
        {"close box", [](HWND h) { ::PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND h) { ::PostMessageW(h, WM_CLOSE, 0, 0); }},
        {"Cancel button",
         [](HWND h) { ::PostMessageW(::GetDlgItem(h, IDC_BTN_CANCEL), BM_CLICK, 0, 0); }},
    };
    int launches = 0;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        ASSERT_TRUE(ShownNormally(hWnd));
        way.leave(hWnd);
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hWnd); }, kReactionTimeoutMs));
        ++launches;
        EXPECT_TRUE(PumpUntil([&] { return listener.Count() >= launches; }, kReactionTimeoutMs));
        // The process goes on serving: it still answers, and comes back on request.
        EXPECT_TRUE(hitched.IsRunning());
        EXPECT_TRUE(Settle(hitched, hWnd));
        ::PostMessageW(hWnd, m_show, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return ShownNormally(hWnd); }, kReactionTimeoutMs));
    }
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(listener.Count(), launches) << "one launch broadcast per leave";
}

TEST_F(StartupTest, EscapeDoesNotHideTheWizard) {
    LaunchListener listener;
    HitchedProcess hitched;
    HWND hWnd = StartFirst(hitched);
    ASSERT_NE(hWnd, nullptr);
    const DWORD thread = ::GetWindowThreadProcessId(hWnd, nullptr);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    ASSERT_TRUE(::GetGUIThreadInfo(thread, &gui));
    HWND focus = gui.hwndFocus != nullptr ? gui.hwndFocus : ::GetDlgItem(hWnd, IDC_BTN_HELP);
    ASSERT_TRUE(focus == hWnd || ::IsChild(hWnd, focus));

    // Tab goes through the same path and is handled by the dialog manager: the focus moves.
    ::PostMessageW(focus, WM_KEYDOWN, VK_TAB, 0x000F0001);
    ::PostMessageW(focus, WM_KEYUP, VK_TAB, 0xC00F0001);
    ASSERT_TRUE(Settle(hitched, hWnd));
    ASSERT_TRUE(::GetGUIThreadInfo(thread, &gui));
    EXPECT_NE(gui.hwndFocus, focus) << "keys posted to the wizard do not reach its dialog manager";
    focus = gui.hwndFocus != nullptr ? gui.hwndFocus : focus;

    ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ::PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    ASSERT_TRUE(Settle(hitched, hWnd));
    EXPECT_TRUE(ShownNormally(hWnd));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(listener.Count(), 0);
}

TEST_F(StartupTest, DeviceChangeBroadcastIsLoggedWithItsParameters) {
    HitchedProcess hitched;
    HWND hWnd = StartFirst(hitched);
    ASSERT_NE(hWnd, nullptr);
    Broadcast(WM_DEVICECHANGE, 0x0007 /* DBT_DEVNODES_CHANGED */);
    EXPECT_GE(m_monitor.WaitForLine(hitched.Pid(),
                                    "--device changed : message = 537, wParam = 7, lParam = 0"
                                    "---[Hitched]",
                                    kReactionTimeoutMs),
              0);
}

TEST_F(StartupTest, MissingLanguageFileShowsKeyNames) {
    TempFolder folder; // outlives the process, which holds its executable open
    const std::wstring exe = folder.File(L"hitched.exe");
    ASSERT_TRUE(::CopyFileW(DistExe().c_str(), exe.c_str(), FALSE));
    // Only the language file is missing: the maker libraries the program imports stay beside it.
    for (const wchar_t* dll : {L"KvInquireInfo.dll", L"communication.dll"}) {
        ASSERT_TRUE(::CopyFileW((DistDir() + dll).c_str(), folder.File(dll).c_str(), FALSE));
    }
    HitchedProcess hitched;
    HWND hWnd = StartFirst(hitched, L"", exe);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(hWnd, IDC_BTN_NEXT)), L"IDS_STRING_BTCAPTION_NEXT");
    EXPECT_EQ(WindowText(::GetDlgItem(hWnd, IDC_BTN_HELP)), L"IDS_STRING_BTCAPTION_HELP");
    EXPECT_EQ(WindowText(hWnd), L"AFX_IDS_APP_TITLE");
    hitched.Terminate();
}
