// The wizard frame as its window: captions, keyboard, the suite's show and hide requests and
// device-change notices, inside the test process.
#include "pages/select_type_page.h"
#include "pages/welcome_page.h"
#include "portservice/window_owner.h"

#include "frame_fixture.h"

#include <algorithm>

namespace {

using hitched::test::KeyText;
using hitched::test::PumpUntil;

class HitchDlgTest : public hitched::test::FrameFixture {
protected:
    // One key pressed on the focused window and handled by the program's own message loop.
    void Press(WPARAM key) {
        HWND focus = ::GetFocus();
        ::PostMessageW(focus, WM_KEYDOWN, key, 1);
        ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
        ::PostQuitMessage(0);
        m_app.Run();
    }
    bool InPage(CWnd* page, HWND hWnd) { return ::IsChild(page->m_hWnd, hWnd) != FALSE; }
    int CheckedRadio() { return m_dlg.m_pSelectTypePage->GetSelectedType(); }
    bool Commanded(int id) {
        const auto& t = m_dlg.trace;
        return std::find(t.begin(), t.end(), "command " + std::to_string(id)) != t.end();
    }
};

TEST_F(HitchDlgTest, EscapeAndEnterInsideAPageNeitherLeaveNorChangeIt) {
    ASSERT_TRUE(Create());
    // Where the focus is after the start: the welcome page's check box, not a hidden page.
    HWND checkBox = m_dlg.m_pWelcomePage->GetDlgItem(IDC_WELCOME_DONOTSHOW);
    ASSERT_EQ(::GetFocus(), checkBox);
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        Press(key);
        EXPECT_TRUE(m_dlg.IsWindowVisible()) << key;
        EXPECT_EQ(m_dlg.m_nCurPage, PAGE_WELCOME) << key;
        EXPECT_EQ(::SendMessageW(checkBox, BM_GETCHECK, 0, 0), BST_UNCHECKED) << key;
        EXPECT_EQ(::GetFocus(), checkBox) << key;
    }
    m_dlg.ShowPage(PAGE_SELECT_TYPE);
    ::SendMessageW(m_dlg.m_pSelectTypePage->GetDlgItem(IDC_RADIO_INFRARED), BM_CLICK, 0, 0);
    ::SetFocus(m_dlg.m_pSelectTypePage->GetDlgItem(IDC_RADIO_INFRARED));
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        Press(key);
        EXPECT_TRUE(m_dlg.IsWindowVisible()) << key;
        EXPECT_EQ(m_dlg.m_nCurPage, PAGE_SELECT_TYPE) << key;
        EXPECT_EQ(CheckedRadio(), 1) << key;
    }
    // Cancel alone hides the wizard and broadcasts the launch message: it was never pressed.
    EXPECT_FALSE(Commanded(IDC_BTN_CANCEL));
    // Tab still runs on from a page into the frame's buttons.
    ::SetFocus(checkBox);
    m_dlg.ShowPage(PAGE_WELCOME);
    Press(VK_TAB);
    EXPECT_EQ(::GetParent(::GetFocus()), m_dlg.m_hWnd);
}

TEST_F(HitchDlgTest, TheTypeChoiceIsOneTabStopAndArrowsMoveTheChoiceWithinIt) {
    ASSERT_TRUE(Create());
    m_dlg.ShowPage(PAGE_SELECT_TYPE);
    HWND next = m_dlg.GetDlgItem(IDC_BTN_NEXT);
    ::SetFocus(next);
    int radioStops = 0;
    for (int i = 0; i < 12 && (i == 0 || ::GetFocus() != next); ++i) {
        Press(VK_TAB);
        radioStops += InPage(m_dlg.m_pSelectTypePage, ::GetFocus());
    }
    ASSERT_EQ(::GetFocus(), next) << "Tab runs round to where it started";
    EXPECT_EQ(radioStops, 1);
    EXPECT_EQ(CheckedRadio(), 0) << "tabbing through changes no choice";

    ::SetFocus(m_dlg.m_pSelectTypePage->GetDlgItem(IDC_RADIO_CABLE));
    const struct {
        WPARAM key;
        int type;
    } steps[] = {{VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 0}, {VK_UP, 2}, {VK_RIGHT, 0}};
    for (const auto& step : steps) {
        Press(step.key);
        EXPECT_EQ(CheckedRadio(), step.type) << step.key;
        EXPECT_TRUE(InPage(m_dlg.m_pSelectTypePage, ::GetFocus())) << step.key;
    }
}

TEST_F(HitchDlgTest, ShowAndHideRequestsPassThroughMinimised) {
    ASSERT_TRUE(Create());
    const auto request = [&](UINT message) {
        m_dlg.trace.clear();
        m_dlg.SendMessage(message);
        return m_dlg.trace;
    };
    using Trace = std::vector<std::string>;
    // Visible: through hidden and minimised, so the window manager raises it.
    EXPECT_EQ(request(m_dlg.m_MsgShowWindow), (Trace{"hide", "min", "restore"}));
    EXPECT_EQ(request(m_dlg.m_MsgHideWindow), (Trace{"min", "hide"}));
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    // Minimised and hidden: only restored.
    EXPECT_EQ(request(m_dlg.m_MsgShowWindow), (Trace{"show", "restore"}));
    EXPECT_TRUE(m_dlg.IsWindowVisible() && !m_dlg.IsIconic());
}

TEST_F(HitchDlgTest, DeviceChangesAndConnectTypeSwitchesWakeTheMonitor) {
    ASSERT_TRUE(Create());
    m_dlg.m_hEnumDeviceDelayEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const auto wakes = [&](UINT message, WPARAM wParam) {
        m_dlg.SendMessage(message, wParam, 1);
        return ::WaitForSingleObject(m_dlg.m_hEnumDeviceDelayEvent, 0) == WAIT_OBJECT_0;
    };
    EXPECT_TRUE(wakes(WM_DEVICECHANGE, 0x8000 /* DBT_DEVICEARRIVAL */));
    EXPECT_TRUE(wakes(WM_DEVICECHANGE, 0x0007 /* DBT_DEVNODES_CHANGED */));
    EXPECT_EQ(m_dlg.SendMessage(hitched::WM_CONNECT_TYPE_SWITCH, 2, 1), 1);
    EXPECT_EQ(::WaitForSingleObject(m_dlg.m_hEnumDeviceDelayEvent, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(wakes(hitched::WM_CONNECT_TYPE_SWITCH + 1, 2)) << "nothing else wakes it";
}

} // namespace
