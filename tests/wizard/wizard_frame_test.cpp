// The wizard frame inside the test process, with the key language file and a fresh hitched.dat
// beside the test program: its pages, buttons and settings step by step, the cable detection,
// help, the keyboard, and the suite's requests.
#include "app/help.h"
#include "app/module_file.h"
#include "pages/completed_page.h"
#include "pages/select_type_page.h"
#include "pages/troubleshoot_dialog.h"
#include "pages/welcome_page.h"
#include "portservice/port_service.h"
#include "portservice/window_owner.h"
#include "res/resource.h"
#include "ui/win_app.h"
#include "wizard/hitch_dlg.h"

#include "../support/installed_language_file.h"
#include "../support/phone_records.h"
#include "../ui/message_pump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using hitched::test::KeyText;
using hitched::test::PumpFor;
using hitched::test::PumpUntil;

// The frame with a record of its visibility ("hide", "min", "restore") and of every command
// that reached it ("command <id>").
struct RecordingHitchDlg : CHitchDlg {
    std::vector<std::string> trace;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SHOWWINDOW && !wParam) {
            trace.push_back("hide");
        } else if (message == WM_SIZE && (wParam == SIZE_MINIMIZED || wParam == SIZE_RESTORED)) {
            trace.push_back(wParam == SIZE_MINIMIZED ? "min" : "restore");
        } else if (message == WM_COMMAND) {
            trace.push_back("command " + std::to_string(LOWORD(wParam)));
        }
        return CHitchDlg::WindowProc(message, wParam, lParam);
    }
};

// Records the help URLs the windows ask for instead of opening help windows.
struct HelpRecorder : hitched::CHtmlHelpApi {
    HelpRecorder() { ReplaceProcess(this); }
    ~HelpRecorder() override { ReplaceProcess(nullptr); }
    HWND Call(HWND, LPCWSTR pszFile, UINT, DWORD_PTR) override {
        return urls.emplace_back(pszFile), nullptr;
    }
    std::vector<std::wstring> urls;
};

class WizardFrameTest : public ::testing::Test {
protected:
    void SetUp() override { ::DeleteFileW(m_dataFile.c_str()); }
    void TearDown() override {
        m_app.m_pMainWnd = nullptr;
        ::DeleteFileW(m_dataFile.c_str());
    }
    bool Create() {
        m_app.m_pMainWnd = &m_dlg;
        return m_dlg.Create(IDD_HITCHED_DIALOG, nullptr) != FALSE;
    }
    void Click(int id) { ::SendMessageW(m_dlg.GetDlgItem(id), BM_CLICK, 0, 0); }
    void Choose(int id) { ::SendMessageW(m_dlg.m_pSelectTypePage->GetDlgItem(id), BM_CLICK, 0, 0); }
    // The pages shown (welcome, type, detect, completed, advice), Previous and Next enabled,
    // the Cancel caption (C, or O for OK), the cable time-out running, the advice's mode, and
    // the settings wizard_show, Infrared, USB Cable and Serial Cable ("-" when missing).
    std::string State() {
        std::string s;
        for (CWnd* page : {(CWnd*)m_dlg.m_pWelcomePage, (CWnd*)m_dlg.m_pSelectTypePage,
                           (CWnd*)m_dlg.m_pDetectCablePage, (CWnd*)m_dlg.m_pCompletedPage,
                           (CWnd*)m_dlg.m_pTroubleshootDlg}) {
            s += (::GetWindowLongW(page->m_hWnd, GWL_STYLE) & WS_VISIBLE) ? '1' : '0';
        }
        s += ::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_PREVIOUS)) ? " 1" : " 0";
        s += ::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_NEXT)) ? "1 " : "0 ";
        const std::wstring cancel = m_dlg.GetDlgItemText(IDC_BTN_CANCEL);
        s += cancel == KeyText(IDS_STRING_BTCAPTION_CANCEL) ? 'C'
             : cancel == KeyText(IDS_STRING_BTCAPTION_OK)   ? 'O'
                                                            : '?';
        // KillTimer answers whether the time-out was running; it is put back when it was.
        const bool timeOut = ::KillTimer(m_dlg.m_hWnd, CHitchDlg::kTimerCableDetect);
        if (timeOut) {
            m_dlg.SetTimer(CHitchDlg::kTimerCableDetect, 120000);
        }
        s += (timeOut ? " 1 " : " 0 ") + std::to_string(m_dlg.m_pTroubleshootDlg->GetMode()) + ' ';
        for (const wchar_t* key : {L"wizard_show", L"Infrared", L"USB Cable", L"Serial Cable"}) {
            wchar_t value[2] = {};
            const wchar_t* section = key[0] == L'w' ? L"Hitched" : L"Enable_connect";
            ::GetPrivateProfileStringW(section, key, L"-", value, 2, m_dataFile.c_str());
            s += char(value[0]);
        }
        return s;
    }
    // One key pressed on the focused window and handled by the program's own message loop.
    void Press(WPARAM key) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
        ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000001);
        ::PostQuitMessage(0);
        m_app.Run();
    }

    const std::wstring m_dataFile = hitched::ModuleDirectoryWithBackslash() + L"hitched.dat";
    hitched::test::InstalledLanguageFile m_language;
    CWinApp m_app;
    RecordingHitchDlg m_dlg;
};

TEST_F(WizardFrameTest, EachStepShowsItsPageButtonsSettingsAndHelpAndCancelStartsAfresh) {
    HelpRecorder help;
    ASSERT_TRUE(Create());
    HELPINFO info{};
    info.cbSize = sizeof(info);
    EXPECT_EQ(m_dlg.GetDlgItemText(IDC_BTN_HELP), KeyText(IDS_STRING_BTCAPTION_HELP));
    EXPECT_EQ(m_dlg.GetDlgItemText(IDC_BTN_PREVIOUS), KeyText(IDS_STRING_BTCAPTION_PRVIOUS));
    CWnd* advice = m_dlg.m_pTroubleshootDlg;
    const std::pair<std::function<void()>, const char*> steps[] = {
        {[&] { Click(IDC_BTN_HELP); }, "10000 01 C 0 0 ----"},
        {[&] { Click(IDC_BTN_NEXT); }, "01000 11 C 0 0 1---"},
        {[&] { Click(IDC_BTN_PREVIOUS); }, "10000 01 C 0 0 1---"},
        {[&] {
             ::CheckDlgButton(m_dlg.m_pWelcomePage->m_hWnd, IDC_WELCOME_DONOTSHOW, BST_CHECKED);
             Click(IDC_BTN_NEXT);
         },
         "01000 01 C 0 0 0---"},
        {[&] { m_dlg.ShowPage(7), m_dlg.ShowPage(UINT(-1)); }, "01000 01 C 0 0 0---"},
        {[&] {
             Choose(IDC_RADIO_INFRARED), Click(IDC_BTN_NEXT);
             advice->SendMessage(WM_HELP, 0, LPARAM(&info));
             ::SendMessageW(advice->GetDlgItem(IDC_TS_HELP), BM_CLICK, 0, 0);
         },
         "01001 01 C 0 1 01--"},
        {[&] { advice->ShowWindow(SW_HIDE), Choose(IDC_RADIO_CABLE), Click(IDC_BTN_NEXT); },
         "00100 10 C 1 1 0111"},
        {[&] { Click(IDC_BTN_PREVIOUS); }, "01000 01 C 0 1 0111"},
        {[&] { Click(IDC_BTN_NEXT), m_dlg.SendMessage(WM_TIMER, CHitchDlg::kTimerCableDetect); },
         "00101 10 C 0 0 0111"},
        {[&] {
             advice->ShowWindow(SW_HIDE), m_dlg.ShowPage(PAGE_COMPLETED);
             EXPECT_EQ(m_dlg.SendMessage(WM_HELP, 0, LPARAM(&info)), TRUE);
         },
         "00010 00 O 0 0 0111"},
        {[&] { Click(IDC_BTN_CANCEL); }, "01000 01 C 0 0 0111"},
        {[&] {
             ::WritePrivateProfileStringW(L"Hitched", L"wizard_show", L"1", m_dataFile.c_str());
             Click(IDC_BTN_CANCEL);
         },
         "10000 01 C 0 0 1111"},
    };
    for (const auto& [step, state] : steps) {
        step();
        EXPECT_EQ(State(), state);
    }
    const std::wstring file =
        hitched::ModuleDirectoryWithoutBackslash() + L"\\" + KeyText(IDS_HELPDOCUMENT) + L"::/";
    const std::vector<std::wstring> topics = {
        file + KeyText(IDS_HELPDOC_WIZARD), file + KeyText(IDS_HELPDOC_IRDA),
        file + KeyText(IDS_HELPDOC_IRDA), file + KeyText(IDS_HELPDOC_COMPL)};
    EXPECT_EQ(help.urls, topics) << "Help and F1 open the topic of the page or of the advice";
    EXPECT_FALSE(m_dlg.IsWindowVisible()) << "Cancel hides the wizard";
    // The advice stands centred over the frame.
    RECT frame{}, box{};
    ASSERT_TRUE(::GetWindowRect(m_dlg.m_hWnd, &frame) && ::GetWindowRect(advice->m_hWnd, &box));
    EXPECT_NEAR(frame.left + frame.right, box.left + box.right, 2);
    EXPECT_NEAR(frame.top + frame.bottom, box.top + box.bottom, 2);
}

TEST_F(WizardFrameTest, APhoneFoundOnPageTwoIsListedUnlessThePageWasLeftAndAnEmptyListEmptiesIt) {
    ASSERT_TRUE(Create());
    const _CONNECTEDPHONE_T phone = hitched::test::MakeConnectedPhone(u"Ostra OS-100", u"COM5");
    m_dlg.m_pPortService->BroadcastDeviceChanged({&phone}, true);
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    // The worker finds the phone at once; its switch comes after the one to page 2.
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_DETECT_CABLE);
    ASSERT_TRUE(PumpUntil([&] { return m_dlg.m_nCurPage == PAGE_COMPLETED; }));
    EXPECT_EQ(State(), "00010 00 O 0 0 ----") << "no time-out opens the advice later";
    CListCtrl& list = m_dlg.m_pCompletedPage->m_list;
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemText(0, 0), L"Ostra OS-100");
    // Another process posts the frame's messages with made-up numbers: nothing happens.
    for (UINT message : {CHitchDlg::WM_MONITOR_PHONES, CHitchDlg::WM_CABLE_PHONES_FOUND})
        for (LPARAM forged : {LPARAM(0), LPARAM(2), LPARAM(0x7ffe0000)})
            ::PostMessageW(m_dlg.m_hWnd, message, 1, forged);
    PumpFor(100);
    EXPECT_EQ(list.GetItemCount(), 1);
    m_dlg.PostPhones(CHitchDlg::WM_MONITOR_PHONES, 0, {});
    PumpFor(100);
    EXPECT_EQ(list.GetItemCount(), 0);
    // A result that arrives after the user left page 2 is dropped.
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    ::Sleep(500); // the worker posts what it found; the user leaves before the frame reads it
    Click(IDC_BTN_PREVIOUS);
    PumpFor(500);
    EXPECT_EQ(State(), "01000 11 C 0 0 ----");
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(WizardFrameTest, InsideAPageEnterAndEscapeChangeNothingTabRunsOnAndArrowsMoveTheTypeChoice) {
    ASSERT_TRUE(Create());
    // Where the focus is after the start: the welcome page's check box, not a hidden page.
    HWND checkBox = m_dlg.m_pWelcomePage->GetDlgItem(IDC_WELCOME_DONOTSHOW);
    ASSERT_EQ(::GetFocus(), checkBox);
    HWND radio = m_dlg.m_pSelectTypePage->GetDlgItem(IDC_RADIO_INFRARED);
    Choose(IDC_RADIO_INFRARED);
    ::SetFocus(checkBox);
    for (UINT page : {PAGE_WELCOME, PAGE_SELECT_TYPE}) {
        m_dlg.ShowPage(page);
        ::SetFocus(page == PAGE_WELCOME ? checkBox : radio);
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            Press(key);
            EXPECT_TRUE(m_dlg.IsWindowVisible()) << key;
            EXPECT_EQ(m_dlg.m_nCurPage, int(page)) << key;
            EXPECT_EQ(::IsDlgButtonChecked(m_dlg.m_pWelcomePage->m_hWnd, IDC_WELCOME_DONOTSHOW),
                      0u);
            EXPECT_EQ(m_dlg.m_pSelectTypePage->GetSelectedType(), 1) << key;
        }
    }
    // Cancel alone hides the wizard and broadcasts the launch message: it was never pressed.
    const auto& t = m_dlg.trace;
    EXPECT_EQ(std::count(t.begin(), t.end(), "command " + std::to_string(IDCANCEL)), 0);
    // Tab still runs on from a page into the frame's buttons.
    Press(VK_TAB);
    EXPECT_EQ(::GetParent(::GetFocus()), m_dlg.m_hWnd);

    // The connection type is one tab stop; the arrows move the choice within it.
    m_dlg.ShowPage(PAGE_SELECT_TYPE);
    HWND next = m_dlg.GetDlgItem(IDC_BTN_NEXT);
    ::SetFocus(next);
    int stops = 0;
    for (int i = 0; i < 12 && (i == 0 || ::GetFocus() != next); ++i) {
        Press(VK_TAB);
        stops += ::IsChild(m_dlg.m_pSelectTypePage->m_hWnd, ::GetFocus());
    }
    ASSERT_EQ(::GetFocus(), next) << "Tab runs round to where it started";
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(m_dlg.m_pSelectTypePage->GetSelectedType(), 1) << "Tab changes no choice";
    ::SetFocus(m_dlg.m_pSelectTypePage->GetDlgItem(IDC_RADIO_CABLE));
    const std::pair<WPARAM, int> steps[] = {
        {VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 0}, {VK_UP, 2}, {VK_RIGHT, 0}};
    for (const auto& [key, type] : steps) {
        Press(key);
        EXPECT_EQ(m_dlg.m_pSelectTypePage->GetSelectedType(), type) << key;
        EXPECT_TRUE(::IsChild(m_dlg.m_pSelectTypePage->m_hWnd, ::GetFocus())) << key;
    }
}

TEST_F(WizardFrameTest, ShowAndHideRequestsPassThroughMinimisedAndDeviceChangesWakeTheMonitor) {
    ASSERT_TRUE(Create());
    const auto request = [&](UINT message) {
        m_dlg.trace.clear();
        m_dlg.SendMessage(message);
        return m_dlg.trace;
    };
    using Trace = std::vector<std::string>;
    EXPECT_EQ(request(m_dlg.m_MsgShowWindow), (Trace{"hide", "min", "restore"}));
    EXPECT_EQ(request(m_dlg.m_MsgHideWindow), (Trace{"min", "hide"}));
    EXPECT_EQ(request(m_dlg.m_MsgShowWindow), (Trace{"restore"}));
    EXPECT_TRUE(m_dlg.IsWindowVisible() && !m_dlg.IsIconic());
    m_dlg.m_hEnumDeviceDelayEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const auto wakes = [&](UINT message, WPARAM wParam) {
        m_dlg.SendMessage(message, wParam, 1);
        return ::WaitForSingleObject(m_dlg.m_hEnumDeviceDelayEvent, 0) == WAIT_OBJECT_0;
    };
    EXPECT_TRUE(wakes(WM_DEVICECHANGE, 0x0007 /* DBT_DEVNODES_CHANGED */));
    EXPECT_TRUE(wakes(hitched::WM_CONNECT_TYPE_SWITCH, 2));
    EXPECT_FALSE(wakes(hitched::WM_CONNECT_TYPE_SWITCH + 1, 2)) << "nothing else wakes it";
}

} // namespace
