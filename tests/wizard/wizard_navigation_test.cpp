// Walking the wizard inside the test process: the pages each step leads to, the buttons and
// the Cancel caption on every page, what hitched.dat records, the cable detection (its worker,
// its time-out, leaving it) and the help topics.
#include "pages/completed_page.h"
#include "pages/select_type_page.h"
#include "pages/troubleshoot_dialog.h"
#include "pages/welcome_page.h"
#include "portservice/port_service.h"

#include "../app/help_recorder.h"
#include "../support/phone_records.h"
#include "frame_fixture.h"

#include <functional>
#include <iterator>

namespace {

using hitched::test::KeyText;
using hitched::test::PumpFor;
using hitched::test::PumpUntil;

class WizardNavigationTest : public hitched::test::FrameFixture {
protected:
    // Which pages show, in the order welcome, type, detect, completed and the advice, each
    // "1" or "0"; then Previous and Next enabled as "1" or "0"; then the Cancel caption.
    std::string State() {
        std::string s;
        for (CWnd* page : {(CWnd*)m_dlg.m_pWelcomePage, (CWnd*)m_dlg.m_pSelectTypePage,
                           (CWnd*)m_dlg.m_pDetectCablePage, (CWnd*)m_dlg.m_pCompletedPage,
                           (CWnd*)m_dlg.m_pTroubleshootDlg}) {
            s += (::GetWindowLongW(page->m_hWnd, GWL_STYLE) & WS_VISIBLE) ? '1' : '0';
        }
        s += ::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_PREVIOUS)) ? " 1" : " 0";
        s += ::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_NEXT)) ? "1 " : "0 ";
        const std::wstring cancel = ItemText(IDC_BTN_CANCEL);
        return s + (cancel == KeyText(IDS_STRING_BTCAPTION_CANCEL) ? "Cancel"
                    : cancel == KeyText(IDS_STRING_BTCAPTION_OK)   ? "OK"
                                                                   : "?");
    }
    void Choose(int radioId) {
        ::SendMessageW(m_dlg.m_pSelectTypePage->GetDlgItem(radioId), BM_CLICK, 0, 0);
    }
    bool TimeOutRunning() {
        // KillTimer answers whether it was running; put it back when it was.
        const bool running = ::KillTimer(m_dlg.m_hWnd, CHitchDlg::kTimerCableDetect);
        if (running) {
            m_dlg.SetTimer(CHitchDlg::kTimerCableDetect, 120000);
        }
        return running;
    }
    // One USB phone in the port service's list, as a detection pass would put it.
    void ConnectPhone(const char16_t* name) {
        const _CONNECTEDPHONE_T phone = hitched::test::MakeConnectedPhone(name, u"COM5");
        m_dlg.m_pPortService->BroadcastDeviceChanged({&phone}, true);
    }
};

TEST_F(WizardNavigationTest, EachStepShowsItsPageButtonsAndCaptionAndCancelStartsAfresh) {
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_dlg.GetWindowText(), KeyText(AFX_IDS_APP_TITLE));
    EXPECT_EQ(ItemText(IDC_BTN_HELP), KeyText(IDS_STRING_BTCAPTION_HELP));
    EXPECT_EQ(ItemText(IDC_BTN_PREVIOUS), KeyText(IDS_STRING_BTCAPTION_PRVIOUS));
    EXPECT_EQ(ItemText(IDC_BTN_NEXT), KeyText(IDS_STRING_BTCAPTION_NEXT));
    HWND doNotShow = m_dlg.m_pWelcomePage->GetDlgItem(IDC_WELCOME_DONOTSHOW);
    const struct {
        std::function<void()> step;
        const char* state;
        const wchar_t* wizardShow;
    } steps[] = {
        {[] {}, "10000 01 Cancel", L"<missing>"},
        {[&] { Click(IDC_BTN_NEXT); }, "01000 11 Cancel", L"1"},
        {[&] { Click(IDC_BTN_PREVIOUS); }, "10000 01 Cancel", L"1"},
        {[&] { ::SendMessageW(doNotShow, BM_SETCHECK, BST_CHECKED, 0), Click(IDC_BTN_NEXT); },
         "01000 01 Cancel", L"0"},
        {[&] { m_dlg.ShowPage(7), m_dlg.ShowPage(static_cast<UINT>(-1)); }, "01000 01 Cancel",
         L"0"},
        {[&] { Click(IDC_BTN_NEXT); }, "00100 10 Cancel", L"0"},
        {[&] { m_dlg.ShowPage(PAGE_COMPLETED); }, "00010 00 OK", L"0"},
        {[&] { Click(IDC_BTN_CANCEL); }, "01000 01 Cancel", L"0"},
        {[&] {
             WriteSetting(L"Hitched", L"wizard_show", L"1");
             m_dlg.SendMessage(m_dlg.m_MsgShowWindow);
             Click(IDC_BTN_CANCEL);
         },
         "10000 01 Cancel", L"1"},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].step();
        EXPECT_EQ(State(), steps[i].state) << "step " << i;
        EXPECT_EQ(Setting(L"Hitched", L"wizard_show"), steps[i].wizardShow) << "step " << i;
    }
    EXPECT_FALSE(m_dlg.IsWindowVisible()) << "Cancel hides the wizard";
    EXPECT_TRUE(m_dlg.m_bStopCableDetect) << "and stops the cable detection";
}

TEST_F(WizardNavigationTest, EachTypeSwitchesOnOnlyItsOwnSettingsAndOpensItsStep) {
    WriteSetting(L"Enable_connect", L"Serial Cable", L"0");
    WriteSetting(L"Hitched", L"wizard_show", L"0");
    ASSERT_TRUE(Create());
    EXPECT_EQ(State(), "01000 01 Cancel") << "the welcome page is switched off";
    Choose(IDC_RADIO_INFRARED);
    Click(IDC_BTN_NEXT);
    EXPECT_EQ(m_dlg.m_nConnType, 1);
    EXPECT_EQ(State(), "01001 01 Cancel") << "the infrared advice opens over the type page";
    EXPECT_EQ(m_dlg.m_pTroubleshootDlg->GetMode(), 1);
    EXPECT_EQ(Setting(L"Enable_connect", L"Infrared"), L"1");
    EXPECT_EQ(Setting(L"Enable_connect", L"USB Cable"), L"<missing>");
    EXPECT_FALSE(TimeOutRunning());
    m_dlg.m_pTroubleshootDlg->ShowWindow(SW_HIDE);

    Choose(IDC_RADIO_CABLE);
    Click(IDC_BTN_NEXT);
    EXPECT_EQ(m_dlg.m_nConnType, 0);
    EXPECT_EQ(State(), "00100 10 Cancel");
    EXPECT_EQ(Setting(L"Enable_connect", L"Serial Cable"), L"1");
    EXPECT_EQ(Setting(L"Enable_connect", L"USB Cable"), L"1");
    EXPECT_TRUE(TimeOutRunning());
    Click(IDC_BTN_PREVIOUS);
    EXPECT_TRUE(m_dlg.m_bStopCableDetect);
    EXPECT_FALSE(TimeOutRunning()) << "leaving page 2 ends its time-out";

    // The time-out opens the cable advice, centred over the frame, and stays on page 2.
    Click(IDC_BTN_NEXT);
    m_dlg.SendMessage(WM_TIMER, CHitchDlg::kTimerCableDetect, 0);
    EXPECT_TRUE(m_dlg.m_bStopCableDetect);
    EXPECT_EQ(m_dlg.m_pTroubleshootDlg->GetMode(), 0);
    EXPECT_EQ(State(), "00101 10 Cancel");
    RECT frame{}, advice{};
    m_dlg.GetWindowRect(&frame);
    m_dlg.m_pTroubleshootDlg->GetWindowRect(&advice);
    EXPECT_NEAR(frame.left + frame.right, advice.left + advice.right, 2);
    EXPECT_NEAR(frame.top + frame.bottom, advice.top + advice.bottom, 2);
}

TEST_F(WizardNavigationTest, AConnectedPhoneIsListedOnTheCompletedPageAndAnEmptyListEmptiesIt) {
    ASSERT_TRUE(Create());
    ConnectPhone(u"Ostra OS-100");
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    // The worker finds the phone at once; its switch comes after the one to page 2.
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_DETECT_CABLE);
    ASSERT_TRUE(PumpUntil([&] { return m_dlg.m_nCurPage == PAGE_COMPLETED; }));
    EXPECT_EQ(State(), "00010 00 OK");
    EXPECT_FALSE(TimeOutRunning()) << "the time-out must not open the advice later";
    CListCtrl& list = m_dlg.m_pCompletedPage->m_list;
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemText(0, 0), L"Ostra OS-100");
    EXPECT_EQ(list.GetItemText(0, 1), KeyText(IDS_STRING_COMPLIST_USB));
    // The device monitor's next pass finds no phone.
    m_dlg.PostMessage(CHitchDlg::WM_MONITOR_PHONES, 0,
                      reinterpret_cast<LPARAM>(new std::vector<unsigned char>()));
    PumpFor(100);
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(WizardNavigationTest, AResultThatArrivesAfterLeavingPageTwoIsDropped) {
    ASSERT_TRUE(Create());
    ConnectPhone(u"Ostra OS-100");
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    // Let the worker post what it found, then leave before the frame reads it.
    ::Sleep(500);
    Click(IDC_BTN_PREVIOUS);
    PumpFor(500);
    EXPECT_EQ(State(), "01000 11 Cancel");
    EXPECT_EQ(m_dlg.m_pCompletedPage->m_list.GetItemCount(), 0);
}

TEST_F(WizardNavigationTest, HelpAndF1OpenTheTopicOfThePageOrOfTheAdvice) {
    hitched::test::HelpRecorder help;
    ASSERT_TRUE(Create());
    const std::wstring file =
        hitched::ModuleDirectoryWithoutBackslash() + L"\\" + KeyText(IDS_HELPDOCUMENT) + L"::/";
    const struct {
        UINT page, topic;
    } pages[] = {{PAGE_WELCOME, IDS_HELPDOC_WIZARD},
                 {PAGE_SELECT_TYPE, IDS_HELPDOC_TYPE},
                 {PAGE_DETECT_CABLE, IDS_HELPDOC_CABLE},
                 {PAGE_COMPLETED, IDS_HELPDOC_COMPL}};
    HELPINFO info{sizeof(HELPINFO)};
    for (const auto& p : pages) {
        m_dlg.ShowPage(p.page);
        Click(IDC_BTN_HELP);
        EXPECT_EQ(m_dlg.SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
        ASSERT_EQ(help.urls.size(), 2u) << "Help and F1 on page " << p.page;
        EXPECT_EQ(help.urls[0], file + KeyText(p.topic));
        EXPECT_EQ(help.urls[1], file + KeyText(p.topic));
        help.urls.clear();
    }
    // The infrared advice answers F1 and its Help button with the infrared topic.
    m_dlg.ShowPage(PAGE_SELECT_TYPE);
    m_dlg.ShowPage(PAGE_TROUBLESHOOT);
    m_dlg.m_pTroubleshootDlg->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    ::SendMessageW(m_dlg.m_pTroubleshootDlg->GetDlgItem(IDC_TS_HELP), BM_CLICK, 0, 0);
    EXPECT_EQ(help.urls, std::vector<std::wstring>(2, file + KeyText(IDS_HELPDOC_IRDA)));
}

} // namespace
