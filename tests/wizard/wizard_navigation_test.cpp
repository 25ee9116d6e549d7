// Walking the wizard inside the test process: the pages each button leads to, the buttons'
// states and the Cancel caption on every page, what hitched.dat records, the cable detection
// (its worker, its time-out, leaving it) and the launch message on leaving.
#include "app/app_names.h"
#include "pages/completed_page.h"
#include "pages/detect_cable_page.h"
#include "pages/select_type_page.h"
#include "pages/troubleshoot_dialog.h"
#include "pages/welcome_page.h"
#include "portservice/connected_phone.h"
#include "portservice/port_service.h"

#include "../app/help_recorder.h"
#include "frame_fixture.h"

#include <cstring>

namespace {

using hitched::test::PumpUntil;

class WizardNavigationTest : public hitched::test::FrameFixture {
protected:
    struct Buttons {
        bool previous, next;
        std::wstring cancel;
        bool operator==(const Buttons& o) const {
            return previous == o.previous && next == o.next && cancel == o.cancel;
        }
    };
    Buttons ButtonStates() {
        return {::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_PREVIOUS)) != FALSE,
                ::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_NEXT)) != FALSE,
                ItemText(IDC_BTN_CANCEL)};
    }
    void Click(int id) { ::SendMessageW(m_dlg.GetDlgItem(id), BM_CLICK, 0, 0); }
    // Shown by its own style, whether or not the frame is visible.
    static bool Visible(CWnd* page) {
        return page != nullptr && (::GetWindowLongW(page->m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
    }
    // Which of the five cable-path pages are shown, as a string of 0/1 in page order
    // welcome, type, detect, completed and the troubleshooting dialog.
    std::string VisiblePages() {
        std::string s;
        for (CWnd* page :
             {static_cast<CWnd*>(m_dlg.m_pWelcomePage), static_cast<CWnd*>(m_dlg.m_pSelectTypePage),
              static_cast<CWnd*>(m_dlg.m_pDetectCablePage),
              static_cast<CWnd*>(m_dlg.m_pCompletedPage),
              static_cast<CWnd*>(m_dlg.m_pTroubleshootDlg)}) {
            s += Visible(page) ? '1' : '0';
        }
        return s;
    }
    // As the user does: a click on the radio button, which clears the others of the group.
    void ChooseType(int radioId) {
        ::SendMessageW(m_dlg.m_pSelectTypePage->GetDlgItem(radioId), BM_CLICK, 0, 0);
    }
    // Puts one USB phone into the port service's list, as a detection pass would.
    void ConnectPhone(const char16_t* manufacturer, const char16_t* name) {
        _CONNECTEDPHONE_T phone{};
        phone.dwConnectType = hitched::kConnUsb;
        std::memcpy(phone.dwSerialPort, u"COM5", 5 * sizeof(char16_t));
        std::memcpy(phone.tszManufacturer, manufacturer,
                    (std::char_traits<char16_t>::length(manufacturer) + 1) * sizeof(char16_t));
        std::memcpy(phone.tszPhoneName, name,
                    (std::char_traits<char16_t>::length(name) + 1) * sizeof(char16_t));
        ASSERT_NE(m_dlg.m_pPortService, nullptr);
        m_dlg.m_pPortService->BroadcastDeviceChanged({&phone}, true);
    }
    bool TimerRunning(UINT_PTR id) {
        // KillTimer answers whether it was running; put it back when it was.
        if (!::KillTimer(m_dlg.m_hWnd, id)) {
            return false;
        }
        m_dlg.SetTimer(id, 120000);
        return true;
    }
};

TEST_F(WizardNavigationTest, FirstStartOpensTheWelcomePageAndNextStoresTheCheckBox) {
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_WELCOME);
    EXPECT_EQ(VisiblePages(), "10000");
    EXPECT_EQ(ButtonStates(), (Buttons{false, true, L"Stop"}));

    Click(IDC_BTN_NEXT);
    EXPECT_EQ(Setting(L"Hitched", L"wizard_show"), L"1");
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE);
    EXPECT_EQ(VisiblePages(), "01000");
    EXPECT_EQ(ButtonStates(), (Buttons{true, true, L"Stop"})) << "back to the welcome page";

    Click(IDC_BTN_PREVIOUS);
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_WELCOME);
    EXPECT_EQ(VisiblePages(), "10000");

    // "Do not show again": stored as 0, and page 1 then has nowhere to go back to.
    ::SendMessageW(m_dlg.m_pWelcomePage->GetDlgItem(IDC_WELCOME_DONOTSHOW), BM_SETCHECK,
                   BST_CHECKED, 0);
    Click(IDC_BTN_NEXT);
    EXPECT_EQ(Setting(L"Hitched", L"wizard_show"), L"0");
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE);
    EXPECT_EQ(ButtonStates(), (Buttons{false, true, L"Stop"}));
}

TEST_F(WizardNavigationTest, WithTheWelcomePageSwitchedOffTheWizardOpensOnTheTypePage) {
    WriteSetting(L"Hitched", L"wizard_show", L"0");
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE);
    EXPECT_EQ(VisiblePages(), "01000");
    // Every Cancel starts afresh on the page the setting says.
    Click(IDC_BTN_NEXT);
    ASSERT_EQ(m_dlg.m_nCurPage, PAGE_DETECT_CABLE);
    Click(IDC_BTN_CANCEL);
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE);
    EXPECT_EQ(VisiblePages(), "01000");
}

TEST_F(WizardNavigationTest, EveryPageSetsItsButtonsAndCancelCaption) {
    ASSERT_TRUE(Create());
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    EXPECT_EQ(ButtonStates(), (Buttons{true, false, L"Stop"}));
    EXPECT_EQ(VisiblePages(), "00100");
    m_dlg.ShowPage(PAGE_COMPLETED);
    EXPECT_EQ(ButtonStates(), (Buttons{false, false, L"Done"}));
    EXPECT_EQ(VisiblePages(), "00010");
    m_dlg.ShowPage(PAGE_WELCOME);
    EXPECT_EQ(ButtonStates(), (Buttons{false, true, L"Stop"}));
    m_dlg.ShowPage(PAGE_SELECT_TYPE);
    EXPECT_EQ(ButtonStates(), (Buttons{true, true, L"Stop"}));

    // Numbers that are no page change nothing, negative ones included.
    for (UINT bad : {7u, 100u, static_cast<UINT>(-1)}) {
        m_dlg.ShowPage(bad);
        EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE) << bad;
        EXPECT_EQ(VisiblePages(), "01000") << bad;
    }
}

TEST_F(WizardNavigationTest, ChoosingCableSwitchesBothCableTypesOnAndStartsDetection) {
    WriteSetting(L"Enable_connect", L"Serial Cable", L"0");
    WriteSetting(L"Enable_connect", L"USB Cable", L"no");
    WriteSetting(L"Enable_connect", L"Infrared", L"0");
    ASSERT_TRUE(Create());
    m_dlg.ShowPage(PAGE_SELECT_TYPE);
    ChooseType(IDC_RADIO_CABLE);
    Click(IDC_BTN_NEXT);
    EXPECT_EQ(m_dlg.m_nConnType, 0);
    EXPECT_EQ(Setting(L"Enable_connect", L"Serial Cable"), L"1");
    EXPECT_EQ(Setting(L"Enable_connect", L"USB Cable"), L"1");
    EXPECT_EQ(Setting(L"Enable_connect", L"Infrared"), L"0") << "only the chosen type";
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_DETECT_CABLE);
    EXPECT_FALSE(m_dlg.m_bStopCableDetect);
    EXPECT_TRUE(TimerRunning(100));
}

TEST_F(WizardNavigationTest, ChoosingInfraredOpensItsAdviceAndStaysOnTheTypePage) {
    ASSERT_TRUE(Create());
    m_dlg.ShowPage(PAGE_SELECT_TYPE);
    const Buttons before = ButtonStates();
    ChooseType(IDC_RADIO_INFRARED);
    Click(IDC_BTN_NEXT);
    EXPECT_EQ(m_dlg.m_nConnType, 1);
    EXPECT_EQ(Setting(L"Enable_connect", L"Infrared"), L"1");
    EXPECT_EQ(Setting(L"Enable_connect", L"USB Cable"), L"<missing>");
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE);
    EXPECT_EQ(VisiblePages(), "01001");
    EXPECT_EQ(m_dlg.m_pTroubleshootDlg->GetMode(), 1);
    EXPECT_EQ(ButtonStates(), before);
    EXPECT_FALSE(TimerRunning(100));
}

TEST_F(WizardNavigationTest, PreviousFromTheDetectPageStopsTheDetection) {
    ASSERT_TRUE(Create());
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    ASSERT_TRUE(TimerRunning(100));
    Click(IDC_BTN_PREVIOUS);
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE);
    EXPECT_TRUE(m_dlg.m_bStopCableDetect);
    EXPECT_FALSE(TimerRunning(100)) << "no troubleshooting after two minutes";
}

TEST_F(WizardNavigationTest, DetectionTimeOutOpensTheCableAdviceAndStaysOnPageTwo) {
    ASSERT_TRUE(Create());
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    m_dlg.m_pTroubleshootDlg->SetMode(2);
    m_dlg.SendMessage(WM_TIMER, 100, 0);
    EXPECT_TRUE(m_dlg.m_bStopCableDetect);
    EXPECT_FALSE(TimerRunning(100));
    EXPECT_EQ(m_dlg.m_pTroubleshootDlg->GetMode(), 0);
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_DETECT_CABLE);
    EXPECT_EQ(VisiblePages(), "00101");
    EXPECT_EQ(ButtonStates(), (Buttons{true, false, L"Stop"}));
    // The troubleshooting dialog stands centred over the frame.
    RECT frame{}, advice{};
    m_dlg.GetWindowRect(&frame);
    m_dlg.m_pTroubleshootDlg->GetWindowRect(&advice);
    EXPECT_NEAR((frame.left + frame.right) / 2, (advice.left + advice.right) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, (advice.top + advice.bottom) / 2, 1);
}

TEST_F(WizardNavigationTest, APhoneAlreadyConnectedTakesTheWizardToTheCompletedPage) {
    ASSERT_TRUE(Create());
    ConnectPhone(u"Ostra", u"Ostra OS-100");
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    // The worker finds the phone at once; its switch comes after the one to page 2.
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_DETECT_CABLE);
    ASSERT_TRUE(PumpUntil([&] { return m_dlg.m_nCurPage == PAGE_COMPLETED; }, 3000));
    EXPECT_EQ(VisiblePages(), "00010");
    EXPECT_TRUE(m_dlg.m_bStopCableDetect);
    EXPECT_FALSE(TimerRunning(100)) << "the time-out must not open the advice later";
    CListCtrl& list = m_dlg.m_pCompletedPage->m_list;
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemText(0, 0), L"Ostra OS-100");
    EXPECT_EQ(list.GetItemText(0, 1), L"by cable");
    EXPECT_EQ(ButtonStates(), (Buttons{false, false, L"Done"}));
}

TEST_F(WizardNavigationTest, APhonePluggedInWhileWaitingIsShownWithinAboutASecond) {
    ASSERT_TRUE(Create());
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    PumpUntil([] { return false; }, 1500);
    ASSERT_EQ(m_dlg.m_nCurPage, PAGE_DETECT_CABLE);
    ConnectPhone(u"Ostra", u"X200");
    const ULONGLONG pushed = ::GetTickCount64();
    ASSERT_TRUE(PumpUntil([&] { return m_dlg.m_nCurPage == PAGE_COMPLETED; }, 3000));
    EXPECT_LE(::GetTickCount64() - pushed, 1500u);
    EXPECT_EQ(m_dlg.m_pCompletedPage->m_list.GetItemText(0, 0), L"Ostra X200");
}

TEST_F(WizardNavigationTest, AResultThatArrivesAfterLeavingPageTwoIsDropped) {
    ASSERT_TRUE(Create());
    ConnectPhone(u"Ostra", u"Ostra OS-100");
    m_dlg.ShowPage(PAGE_DETECT_CABLE);
    // Let the worker post what it found, then leave before the frame reads it.
    ::Sleep(500);
    Click(IDC_BTN_PREVIOUS);
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE);
    EXPECT_EQ(VisiblePages(), "01000");
    EXPECT_EQ(m_dlg.m_pCompletedPage->m_list.GetItemCount(), 0);
}

TEST_F(WizardNavigationTest, HelpAndF1OpenTheTopicOfThePageOrOfTheAdvice) {
    hitched::test::HelpRecorder help;
    ASSERT_TRUE(Create());
    const struct {
        UINT page;
        const wchar_t* topic;
    } pages[] = {{PAGE_WELCOME, L"wizard.htm"},
                 {PAGE_SELECT_TYPE, L"type.htm"},
                 {PAGE_DETECT_CABLE, L"cable.htm"},
                 {PAGE_COMPLETED, L"done.htm"}};
    for (const auto& p : pages) {
        m_dlg.ShowPage(p.page);
        Click(IDC_BTN_HELP);
        EXPECT_EQ(help.LastTopic(), p.topic) << "Help on page " << p.page;
        HELPINFO info{};
        info.cbSize = sizeof(info);
        EXPECT_EQ(m_dlg.SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
        EXPECT_EQ(help.LastTopic(), p.topic) << "F1 on page " << p.page;
    }
    ASSERT_FALSE(help.urls.empty());
    EXPECT_NE(help.urls.back().find(L"\\test.chm::/"), std::wstring::npos) << "the help file";

    // The infrared advice answers F1 and its Help button with the infrared topic.
    m_dlg.ShowPage(PAGE_SELECT_TYPE);
    m_dlg.ShowPage(PAGE_TROUBLESHOOT);
    HELPINFO info{};
    info.cbSize = sizeof(info);
    EXPECT_EQ(m_dlg.m_pTroubleshootDlg->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)),
              TRUE);
    EXPECT_EQ(help.LastTopic(), L"irda.htm");
    help.urls.clear();
    ::SendMessageW(m_dlg.m_pTroubleshootDlg->GetDlgItem(IDC_TS_HELP), BM_CLICK, 0, 0);
    EXPECT_EQ(help.LastTopic(), L"irda.htm");
}

// (The launch message is left out on purpose here: it is broadcast past the sending process,
// so the end-to-end tests count it from outside.)
TEST_F(WizardNavigationTest, CancelOnTheCompletedPageHidesAndResets) {
    ASSERT_TRUE(Create());
    m_dlg.ShowPage(PAGE_COMPLETED);
    ASSERT_EQ(ItemText(IDC_BTN_CANCEL), L"Done");
    Click(IDC_BTN_CANCEL);
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_WELCOME);
    EXPECT_EQ(VisiblePages(), "10000");
    EXPECT_EQ(ItemText(IDC_BTN_CANCEL), L"Stop");
    EXPECT_EQ(ButtonStates(), (Buttons{false, true, L"Stop"}));
}

} // namespace
