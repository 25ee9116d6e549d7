// The wizard frame inside the test process, with a language file of the test's own.
#include "app/app_names.h"
#include "app/hitch_app.h"
#include "app/module_file.h"
#include "portservice/window_owner.h"
#include "res/resource.h"
#include "wizard/hitch_dlg.h"

#include "frame_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hitched::test::PumpUntil;
using hitched::test::RecordingHitchDlg;

class HitchDlgTest : public hitched::test::FrameFixture {};

// True when `steps` occur in `trace` in this order (other entries may stand between them).
bool InOrder(const std::vector<std::string>& trace, const std::vector<std::string>& steps) {
    size_t at = 0;
    for (const std::string& entry : trace) {
        if (at < steps.size() && entry == steps[at]) {
            ++at;
        }
    }
    return at == steps.size();
}

bool Contains(const std::vector<std::string>& trace, const std::string& step) {
    return InOrder(trace, {step});
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The dialog template as compiled: DLGTEMPLATEEX up to the font's face name.
struct TemplateHeader {
    DWORD style = 0;
    WORD items = 0;
    short cx = 0;
    short cy = 0;
    WORD pointSize = 0;
    std::wstring face;
};

const WORD* SkipSzOrOrd(const WORD* p) {
    if (*p == 0xFFFF) {
        return p + 2;
    }
    while (*p++ != 0) {
    }
    return p;
}

TemplateHeader ReadTemplate(UINT id) {
    TemplateHeader header;
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    if (resource == nullptr) {
        return header;
    }
    const WORD* p = static_cast<const WORD*>(::LockResource(::LoadResource(module, resource)));
    if (p[0] != 1 || p[1] != 0xFFFF) {
        return header; // not an extended template
    }
    header.style = *reinterpret_cast<const DWORD*>(p + 6);
    header.items = p[8];
    header.cx = static_cast<short>(p[11]);
    header.cy = static_cast<short>(p[12]);
    p = SkipSzOrOrd(SkipSzOrOrd(SkipSzOrOrd(p + 13))); // menu, class, caption
    if (header.style & DS_SETFONT) {
        header.pointSize = p[0];
        header.face = reinterpret_cast<const wchar_t*>(p + 3);
    }
    return header;
}

} // namespace

TEST(HitchDlgTemplate, FrameIs447By313InMsShellDlg8AndHiddenAtCreation) {
    const TemplateHeader header = ReadTemplate(IDD_HITCHED_DIALOG);
    EXPECT_EQ(header.cx, 447);
    EXPECT_EQ(header.cy, 313);
    EXPECT_EQ(header.items, 6);
    EXPECT_EQ(header.pointSize, 8);
    EXPECT_EQ(header.face, L"MS Shell Dlg");
    EXPECT_EQ(header.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_EQ(header.style & WS_VISIBLE, 0u);
}

TEST_F(HitchDlgTest, ButtonsAndPlaceholdersStandWhereTheTemplateSays) {
    ASSERT_TRUE(Create());
    EXPECT_TRUE(SameRect(ItemRect(IDC_BTN_HELP), DialogUnits(47, 293, 68, 16)));
    EXPECT_TRUE(SameRect(ItemRect(IDC_BTN_PREVIOUS), DialogUnits(214, 293, 68, 16)));
    EXPECT_TRUE(SameRect(ItemRect(IDC_BTN_NEXT), DialogUnits(287, 293, 68, 16)));
    EXPECT_TRUE(SameRect(ItemRect(IDC_BTN_CANCEL), DialogUnits(360, 293, 68, 16)));
    EXPECT_TRUE(SameRect(ItemRect(IDC_WELCOME_PLACEHOLDER), DialogUnits(73, 66, 360, 184)));
    EXPECT_TRUE(SameRect(ItemRect(IDC_PAGE_PLACEHOLDER), DialogUnits(18, 40, 429, 215)));
    EXPECT_FALSE(::IsWindowVisible(m_dlg.GetDlgItem(IDC_WELCOME_PLACEHOLDER)));
    EXPECT_FALSE(::IsWindowVisible(m_dlg.GetDlgItem(IDC_PAGE_PLACEHOLDER)));
    RECT client{};
    m_dlg.GetClientRect(&client);
    EXPECT_TRUE(SameRect(client, DialogUnits(0, 0, 447, 313)));
}

TEST_F(HitchDlgTest, TitleAndButtonsAreCaptionedFromTheLanguageFile) {
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_dlg.GetWindowText(), L"Test Wizard");
    EXPECT_EQ(ItemText(IDC_BTN_HELP), L"Aide");
    EXPECT_EQ(ItemText(IDC_BTN_PREVIOUS), L"Back");
    EXPECT_EQ(ItemText(IDC_BTN_NEXT), L"Onward");
    EXPECT_EQ(ItemText(IDC_BTN_CANCEL), L"Stop");
    EXPECT_FALSE(::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_PREVIOUS)));
    EXPECT_TRUE(::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_NEXT)));
    EXPECT_TRUE(::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_HELP)));
    EXPECT_TRUE(::IsWindowEnabled(m_dlg.GetDlgItem(IDC_BTN_CANCEL)));
}

TEST_F(HitchDlgTest, MissingLanguageFileCaptionsWithKeyNames) {
    ::DeleteFileW(m_app.m_strLangFile.c_str());
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_dlg.GetWindowText(), L"AFX_IDS_APP_TITLE");
    EXPECT_EQ(ItemText(IDC_BTN_NEXT), L"IDS_STRING_BTCAPTION_NEXT");
    EXPECT_EQ(ItemText(IDC_BTN_PREVIOUS), L"IDS_STRING_BTCAPTION_PRVIOUS");
}

TEST_F(HitchDlgTest, StartsShownNormallyOnPageZeroWithIconsAndSettingsPaths) {
    ASSERT_TRUE(Create());
    EXPECT_TRUE(m_dlg.IsWindowVisible());
    EXPECT_FALSE(m_dlg.IsIconic());
    EXPECT_EQ(m_dlg.m_nCurPage, 0);
    EXPECT_EQ(m_dlg.m_nConnType, 0);
    ASSERT_NE(m_dlg.m_hIcon, nullptr);
    EXPECT_EQ(m_dlg.SendMessage(WM_GETICON, ICON_BIG), reinterpret_cast<LRESULT>(m_dlg.m_hIcon));
    EXPECT_EQ(m_dlg.SendMessage(WM_GETICON, ICON_SMALL), reinterpret_cast<LRESULT>(m_dlg.m_hIcon));
    EXPECT_EQ(m_dlg.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(m_dlg.m_hIcon));
    const std::wstring directory = hitched::ModuleDirectoryWithBackslash();
    EXPECT_EQ(m_dlg.m_strDataFile, directory + L"hitched.dat");
    EXPECT_EQ(m_dlg.m_strMirroletIni, directory + L"Mirrolet.ini");
}

TEST_F(HitchDlgTest, StartupEventIsSetWhenInitialisationEnds) {
    HANDLE started = ::CreateEventW(nullptr, TRUE, FALSE, hitched::kStartupEventName);
    ASSERT_NE(started, nullptr);
    ::ResetEvent(started);
    ASSERT_TRUE(Create());
    EXPECT_EQ(::WaitForSingleObject(started, 0), WAIT_OBJECT_0);
    ::CloseHandle(started);
}

TEST_F(HitchDlgTest, AnswersTheRegisteredShowAndHideMessages) {
    ASSERT_TRUE(Create());
    EXPECT_EQ(m_dlg.m_MsgShowWindow, ::RegisterWindowMessageW(hitched::kShowWindowMessageName));
    EXPECT_EQ(m_dlg.m_MsgHideWindow, ::RegisterWindowMessageW(hitched::kHideWindowMessageName));
    EXPECT_NE(m_dlg.m_MsgShowWindow, m_dlg.m_MsgHideWindow);
}

TEST_F(HitchDlgTest, HideRequestMinimisesThenHides) {
    ASSERT_TRUE(Create());
    m_dlg.trace.clear();
    m_dlg.SendMessage(m_dlg.m_MsgHideWindow);
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_TRUE(InOrder(m_dlg.trace, {"min", "hide"}));
}

TEST_F(HitchDlgTest, ShowRequestOnAVisibleWindowPassesThroughHiddenAndMinimised) {
    ASSERT_TRUE(Create());
    m_dlg.trace.clear();
    m_dlg.SendMessage(m_dlg.m_MsgShowWindow);
    EXPECT_TRUE(m_dlg.IsWindowVisible());
    EXPECT_FALSE(m_dlg.IsIconic());
    EXPECT_TRUE(InOrder(m_dlg.trace, {"hide", "min", "restore"}));
}

TEST_F(HitchDlgTest, ShowRequestOnAMinimisedOrHiddenWindowOnlyRestoresIt) {
    ASSERT_TRUE(Create());
    m_dlg.ShowWindow(SW_MINIMIZE);
    ASSERT_TRUE(m_dlg.IsIconic());
    m_dlg.trace.clear();
    m_dlg.SendMessage(m_dlg.m_MsgShowWindow);
    EXPECT_TRUE(m_dlg.IsWindowVisible());
    EXPECT_FALSE(m_dlg.IsIconic());
    EXPECT_TRUE(Contains(m_dlg.trace, "restore"));
    EXPECT_FALSE(Contains(m_dlg.trace, "hide"));
    EXPECT_FALSE(Contains(m_dlg.trace, "min"));

    // After a hide request the window is minimised and hidden: restored the same way.
    m_dlg.SendMessage(m_dlg.m_MsgHideWindow);
    m_dlg.trace.clear();
    m_dlg.SendMessage(m_dlg.m_MsgShowWindow);
    EXPECT_TRUE(m_dlg.IsWindowVisible());
    EXPECT_FALSE(m_dlg.IsIconic());
    EXPECT_TRUE(Contains(m_dlg.trace, "restore"));
    EXPECT_FALSE(Contains(m_dlg.trace, "hide"));
    EXPECT_FALSE(Contains(m_dlg.trace, "min"));
}

TEST_F(HitchDlgTest, EscapeIsNeverTurnedIntoCancel) {
    ASSERT_TRUE(Create());
    HWND hNext = m_dlg.GetDlgItem(IDC_BTN_NEXT);
    ::SetFocus(hNext);
    MSG escape{hNext, WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
    EXPECT_FALSE(m_app.PreTranslateMessage(&escape));
    ::TranslateMessage(&escape);
    ::DispatchMessageW(&escape);
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(m_dlg.IsWindowVisible());
    // Other keys still reach the dialog manager: Tab moves the focus.
    MSG tab{hNext, WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {0, 0}};
    EXPECT_TRUE(m_app.PreTranslateMessage(&tab));
    EXPECT_NE(::GetFocus(), hNext);
}

TEST_F(HitchDlgTest, CancelAndTheCloseBoxOnlyHideTheWizard) {
    ASSERT_TRUE(Create());
    m_dlg.StartCableDetect();
    ::SendMessageW(m_dlg.GetDlgItem(IDC_BTN_CANCEL), BM_CLICK, 0, 0);
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd));
    EXPECT_TRUE(m_dlg.m_bStopCableDetect) << "leaving the wizard stops the cable detection";

    m_dlg.SendMessage(m_dlg.m_MsgShowWindow);
    ASSERT_TRUE(m_dlg.IsWindowVisible());
    m_dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !m_dlg.IsWindowVisible(); }));
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd));
}

TEST_F(HitchDlgTest, DeviceChangesAndConnectTypeSwitchesWakeTheMonitor) {
    ASSERT_TRUE(Create());
    m_dlg.m_hEnumDeviceDelayEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_dlg.SendMessage(WM_DEVICECHANGE, 0x8000 /* DBT_DEVICEARRIVAL */, 0);
    EXPECT_EQ(::WaitForSingleObject(m_dlg.m_hEnumDeviceDelayEvent, 0), WAIT_OBJECT_0);
    m_dlg.SendMessage(WM_DEVICECHANGE, 0x0007 /* DBT_DEVNODES_CHANGED */, 0);
    EXPECT_EQ(::WaitForSingleObject(m_dlg.m_hEnumDeviceDelayEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(m_dlg.SendMessage(hitched::WM_CONNECT_TYPE_SWITCH, 2, 1), 1);
    EXPECT_EQ(::WaitForSingleObject(m_dlg.m_hEnumDeviceDelayEvent, 0), WAIT_OBJECT_0);
    // Nothing else sets it.
    m_dlg.SendMessage(hitched::WM_CONNECT_TYPE_SWITCH + 1, 2, 1);
    EXPECT_EQ(::WaitForSingleObject(m_dlg.m_hEnumDeviceDelayEvent, 0),
              static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(HitchDlgTest, CableDetectionTimerStartsAndStops) {
    ASSERT_TRUE(Create());
    m_dlg.StartCableDetect();
    EXPECT_FALSE(m_dlg.m_bStopCableDetect);
    EXPECT_TRUE(::KillTimer(m_dlg.m_hWnd, 100)) << "timer 100 was running";
    m_dlg.StartCableDetect();
    m_dlg.StopCableDetect();
    EXPECT_TRUE(m_dlg.m_bStopCableDetect);
    EXPECT_FALSE(::KillTimer(m_dlg.m_hWnd, 100)) << "timer 100 was stopped";
}
