// The troubleshooting dialog inside the test process, on the program's own template and
// artwork, with the key language file: each text shows the key it comes from.
#include "pages/troubleshoot_dialog.h"
#include "res/resource.h"

#include "../support/page_host.h"
#include "../support/pixels.h"
#include "../ui/message_pump.h"

#include <string>
#include <tuple>
#include <vector>

using namespace hitched::test;

namespace {

// The advice the segments of these ids make, with a blank line only between two of them.
std::wstring AdviceOf(const std::vector<UINT>& ids, const std::wstring& second = L"") {
    std::wstring text;
    for (size_t i = 0; i < ids.size(); ++i) {
        text += (i ? L"\r\n\r\n" : L"") + (i == 1 && !second.empty() ? second : KeyText(ids[i]));
    }
    return text;
}

// The third segment of the cable's advice repeats the first one's key.
const std::vector<UINT> kUsb = {IDS_STRING_USB_ERROR_SEG_1, IDS_STRING_USB_ERROR_SEG_2,
                                IDS_STRING_USB_ERROR_SEG_1, IDS_STRING_USB_ERROR_SEG_4,
                                IDS_STRING_USB_ERROR_SEG_5, IDS_STRING_USB_ERROR_SEG_6};
const std::vector<UINT> kInfrared = {IDS_STRING_IR_ERROR_SEG_1, IDS_STRING_IR_ERROR_SEG_2,
                                     IDS_STRING_IR_ERROR_SEG_3, IDS_STRING_IR_ERROR_SEG_4,
                                     IDS_STRING_IR_ERROR_SEG_5, IDS_STRING_IR_ERROR_SEG_6,
                                     IDS_STRING_IR_ERROR_SEG_7, IDS_STRING_IR_ERROR_SEG_8};

class TroubleshootDialogTest : public PageHost {
protected:
    void SetUp() override { ASSERT_TRUE(m_dlg.Create(IDD_TROUBLESHOOT, &m_parent)); }

    std::wstring Heading() const { return m_dlg.GetDlgItemText(IDC_TS_HEADING); }
    std::wstring Advice() const { return m_dlg.GetDlgItemText(IDC_TS_ADVICE); }
    bool Visible() const { return m_dlg.IsWindowVisible() != FALSE; }
    void ShowMode(int mode) {
        m_dlg.ShowWindow(SW_HIDE);
        m_dlg.SetMode(mode);
        m_dlg.ShowWindow(SW_SHOW);
    }

    CConnectErrorShootDlg m_dlg;
};

} // namespace

TEST_F(TroubleshootDialogTest, OwnedByTheFrameItShowsTheAdviceOfTheModeSetBeforeEachShowing) {
    EXPECT_FALSE(Visible());
    EXPECT_EQ(::GetWindow(m_dlg.m_hWnd, GW_OWNER), m_parent.m_hWnd) << "a window of its own";
    EXPECT_EQ(m_dlg.GetWindowText(), KeyText(IDS_STRING_ERRORSHOOT_TITLE));
    EXPECT_EQ(m_dlg.GetDlgItemText(IDC_TS_HELP), KeyText(IDS_STRING_HELP));
    EXPECT_EQ(m_dlg.GetDlgItemText(IDOK), KeyText(IDS_STRING_OK));
    EXPECT_NE(::SendMessageW(m_dlg.GetDlgItem(IDC_TS_HEADING), WM_GETFONT, 0, 0),
              ::SendMessageW(m_dlg.GetDlgItem(IDC_TS_ADVICE), WM_GETFONT, 0, 0));

    // The cable's advice from the start; a new mode only when the dialog is next shown, with
    // nothing of a longer text left behind.
    EXPECT_EQ(Heading(), KeyText(IDS_STRING_USB_TROUBLESHOOT));
    EXPECT_EQ(Advice(), AdviceOf(kUsb));
    m_dlg.SetMode(1);
    EXPECT_EQ(Advice(), AdviceOf(kUsb));
    const std::tuple<int, UINT, std::wstring> modes[] = {
        {1, IDS_STRING_INFRARED_TROUBLESHOOT, AdviceOf(kInfrared)},
        {2, IDS_STRING_BLUETOOTH_TROUBLESHOOT, AdviceOf({IDS_STRING_BT_ERROR_SEG_1})},
        {5, IDS_STRING_USB_TROUBLESHOOT, AdviceOf(kUsb)}}; // any other mode: the cable
    for (const auto& [mode, heading, advice] : modes) {
        ShowMode(mode);
        EXPECT_TRUE(Visible());
        EXPECT_EQ(Heading(), KeyText(heading)) << mode;
        EXPECT_EQ(Advice(), advice) << mode;
    }
}

TEST_F(TroubleshootDialogTest, OkCancelEscapeAndTheCloseBoxOnlyHide) {
    for (UINT command : {IDOK, IDCANCEL}) {
        m_dlg.ShowWindow(SW_SHOW);
        ::SendMessageW(m_dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        EXPECT_FALSE(Visible()) << command;
    }

    m_dlg.ShowWindow(SW_SHOW);
    ::SetFocus(m_dlg.GetDlgItem(IDOK));
    MSG escape{m_dlg.GetDlgItem(IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    EXPECT_TRUE(m_dlg.PreTranslateMessage(&escape));
    EXPECT_TRUE(PumpUntil([&] { return !Visible(); })) << "Escape";

    m_dlg.ShowWindow(SW_SHOW);
    ASSERT_TRUE(Visible());
    ::SendMessageW(m_dlg.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !Visible(); })) << "close box";

    // Still there and usable afterwards, with its texts rebuilt.
    ShowMode(2);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(Advice(), KeyText(IDS_STRING_BT_ERROR_SEG_1));
}

TEST_F(TroubleshootDialogTest, ButtonsShowTheirFaceAndInTheirCornersTheSkinOfEachErase) {
    HWND hDlg = m_dlg.m_hWnd;
    ::SetCursorPos(1000, 740); // away from the buttons, so none is hovered
    m_dlg.ShowWindow(SW_SHOW);
    RECT client{};
    ::GetClientRect(hDlg, &client);
    const Pixels skin = Resource(IDB_TROUBLESHOOT_BACKGROUND, client.right, client.bottom);
    const Pixels face = Resource(IDB_TS_BUTTON_NORMAL);
    std::vector<COLORREF> under; // the skin under the corners, where the template puts the
                                 // buttons and then on the coloured band at the top
    for (bool moved : {false, true}) {
        for (int id : {IDOK, IDC_TS_HELP}) {
            RECT rc{};
            ::GetWindowRect(m_dlg.GetDlgItem(id), &rc);
            ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
            const int w = rc.right - rc.left;
            const int h = rc.bottom - rc.top;
            if (moved) {
                ::SetWindowPos(m_dlg.GetDlgItem(id), nullptr, rc.left, 0, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                ::OffsetRect(&rc, 0, -rc.top);
            }
            ::RedrawWindow(hDlg, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            const Pixels button = Print(m_dlg.GetDlgItem(id));
            for (POINT at : {POINT{0, 0}, POINT{w - 1, h - 1}}) {
                under.push_back(skin.At(rc.left + at.x, rc.top + at.y));
                EXPECT_TRUE(Near(button.At(at.x, at.y), under.back(), 3)) << id << " " << moved;
            }
            // Left of the caption and of the focus rectangle: the normal face.
            EXPECT_TRUE(
                Near(button.At(5, h / 2), face.At(5 * face.width / w, face.height / 2), 12));
        }
    }
    EXPECT_NE(std::vector<COLORREF>(under.begin(), under.begin() + 4),
              std::vector<COLORREF>(under.begin() + 4, under.end()))
        << "the skin must change there to tell";
}
