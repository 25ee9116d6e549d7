// The troubleshooting dialog and the two Bluetooth pages inside the test process, on the
// program's own templates and artwork, with a language file of the test's own.
#include "app/hitch_app.h"
#include "pages/bt_pairing_page.h"
#include "pages/bt_search_page.h"
#include "pages/troubleshoot_dialog.h"
#include "res/resource.h"

#include "../app/temp_file.h"
#include "../ui/message_pump.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using hitched::test::PumpUntil;

void Pump() {
    PumpUntil([] { return false; }, 100);
}

// Every key the dialog reads, each with a text of its own. The third USB entry of the string
// table names segment 1, so "U3" must never show.
const char kLanguageFile[] = "[Hitch]\r\n"
                             "IDS_STRING_ERRORSHOOT_TITLE=Connection trouble\r\n"
                             "IDS_STRING_HELP=Aide\r\n"
                             "IDS_STRING_OK=Fine\r\n"
                             "IDS_STRING_USB_TROUBLESHOOT=Cable advice\r\n"
                             "IDS_STRING_INFRARED_TROUBLESHOOT=Infrared advice\r\n"
                             "IDS_STRING_BLUETOOTH_TROUBLESHOOT=Bluetooth advice\r\n"
                             "IDS_STRING_USB_ERROR_SEG_1=U1\r\n"
                             "IDS_STRING_USB_ERROR_SEG_2=U2\r\n"
                             "IDS_STRING_USB_ERROR_SEG_3=U3\r\n"
                             "IDS_STRING_USB_ERROR_SEG_4=U4\r\n"
                             "IDS_STRING_USB_ERROR_SEG_5=U5\r\n"
                             "IDS_STRING_USB_ERROR_SEG_6=U6\r\n"
                             "IDS_STRING_IR_ERROR_SEG_1=I1\r\n"
                             "IDS_STRING_IR_ERROR_SEG_2=I2\r\n"
                             "IDS_STRING_IR_ERROR_SEG_3=I3\r\n"
                             "IDS_STRING_IR_ERROR_SEG_4=I4\r\n"
                             "IDS_STRING_IR_ERROR_SEG_5=I5\r\n"
                             "IDS_STRING_IR_ERROR_SEG_6=I6\r\n"
                             "IDS_STRING_IR_ERROR_SEG_7=I7\r\n"
                             "IDS_STRING_IR_ERROR_SEG_8=I8\r\n"
                             "IDS_STRING_BT_ERROR_SEG_1=B1\r\n"
                             "IDS_HELPDOCUMENT=no-such-help.chm\r\n"
                             "IDS_STRING_BLUETOOTH_SEARCHANDSELECT=Pick your phone\r\n"
                             "IDS_STRING_BLUETOOTH_SEARCHED_DEVICE=Found:\r\n"
                             "IDS_STRING_BLUETOOTH_STATEMENT=Search statement\r\n"
                             "IDS_STRING_BLUETOOTH_SEARCHFORMAOR=Search again\r\n"
                             "IDS_STRING_BLUETOOTH_UNPAIR=Forget it\r\n"
                             "IDS_STRING_BLUETOOTH_VERIFY_PHONE=Verify\r\n"
                             "IDS_STRING_BLUETOOTH_VERIFY_PHONE_TIPS=Verify tips\r\n"
                             "IDS_STRING_BLUETOOTH_PASSCODE=Code:\r\n"
                             "IDS_STRING_BLUETOOTH_PASSCODE_TIPS=Code tips\r\n"
                             "IDS_STRING_BLUETOOTH_PHONENAME=Name:\r\n"
                             "IDS_STRING_BLUETOOTH_NEXT_TIPS=Press Next\r\n";

const std::wstring kUsbAdvice = L"U1\r\n\r\nU2\r\n\r\nU1\r\n\r\nU4\r\n\r\nU5\r\n\r\nU6";
const std::wstring kInfraredAdvice =
    L"I1\r\n\r\nI2\r\n\r\nI3\r\n\r\nI4\r\n\r\nI5\r\n\r\nI6\r\n\r\nI7\r\n\r\nI8";

// A hidden top-level window standing in for the wizard frame.
class ParentWindow : public CWnd {
public:
    ParentWindow() {
        m_hWnd = ::CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 600, 0, 200, 200,
                                   nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    ~ParentWindow() override {
        if (m_hWnd != nullptr) {
            ::DestroyWindow(m_hWnd);
        }
    }
};

LOGFONTW FontOf(HWND hWnd) {
    LOGFONTW font{};
    HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(hWnd, WM_GETFONT, 0, 0));
    if (hFont != nullptr) {
        ::GetObjectW(hFont, sizeof(font), &font);
    }
    return font;
}

// Pixels of one window's client area as they are on screen, or of a bitmap resource
// stretched the way the skin is.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> bits;
    COLORREF At(int x, int y) const {
        const uint32_t p = bits[static_cast<size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

// Draws with `paint` into a 32-bit DIB of the given size and returns its pixels.
template <typename Paint> Pixels Render(int width, int height, Paint paint) {
    Pixels out;
    out.width = width;
    out.height = height;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC hMem = ::CreateCompatibleDC(nullptr);
    HBITMAP hDib = ::CreateDIBSection(hMem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hMem, hDib);
    paint(hMem);
    ::GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    out.bits.assign(p, p + static_cast<size_t>(width) * height);
    ::SelectObject(hMem, hOld);
    ::DeleteObject(hDib);
    ::DeleteDC(hMem);
    return out;
}

Pixels ScreenClient(HWND hWnd) {
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    return Render(rc.right, rc.bottom, [&](HDC hMem) {
        HDC hWindowDC = ::GetDC(hWnd);
        ::BitBlt(hMem, 0, 0, rc.right, rc.bottom, hWindowDC, 0, 0, SRCCOPY);
        ::ReleaseDC(hWnd, hWindowDC);
    });
}

Pixels StretchedResource(UINT id, int width, int height) {
    return Render(width, height, [&](HDC hMem) {
        HBITMAP hBitmap = static_cast<HBITMAP>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
        BITMAP info{};
        ::GetObjectW(hBitmap, sizeof(info), &info);
        HDC hSrc = ::CreateCompatibleDC(hMem);
        HGDIOBJ hOld = ::SelectObject(hSrc, hBitmap);
        ::StretchBlt(hMem, 0, 0, width, height, hSrc, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        ::SelectObject(hSrc, hOld);
        ::DeleteDC(hSrc);
        ::DeleteObject(hBitmap);
    });
}

Pixels ResourceAsIs(UINT id) {
    BITMAP info{};
    HBITMAP hBitmap = static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
    ::GetObjectW(hBitmap, sizeof(info), &info);
    ::DeleteObject(hBitmap);
    return StretchedResource(id, info.bmWidth, info.bmHeight);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class TroubleshootDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_app.m_strLangFile = m_folder.File(L"language.lgg");
        TempFolder::WriteBytes(m_app.m_strLangFile, kLanguageFile);
        ASSERT_NE(m_parent.m_hWnd, nullptr);
    }

    void Create() { ASSERT_TRUE(m_dlg.Create(IDD_TROUBLESHOOT, &m_parent)); }

    std::wstring Heading() const { return m_dlg.GetDlgItemText(IDC_TS_HEADING); }
    std::wstring Advice() const { return m_dlg.GetDlgItemText(IDC_TS_ADVICE); }
    bool Visible() const { return ::IsWindowVisible(m_dlg.m_hWnd) != FALSE; }

    TempFolder m_folder;
    CHitchApp m_app;
    ParentWindow m_parent;
    CConnectErrorShootDlg m_dlg;
};

} // namespace

TEST_F(TroubleshootDialogTest, StartsHiddenOwnedByTheFrameWithCaptionButtonsAndCableAdvice) {
    Create();
    EXPECT_FALSE(Visible());
    EXPECT_EQ(::GetWindow(m_dlg.m_hWnd, GW_OWNER), m_parent.m_hWnd);
    EXPECT_EQ(::GetWindowLongW(m_dlg.m_hWnd, GWL_STYLE) & WS_CHILD, 0) << "a window of its own";
    EXPECT_EQ(m_dlg.GetWindowText(), L"Connection trouble");
    EXPECT_EQ(m_dlg.GetDlgItemText(IDC_TS_HELP), L"Aide");
    EXPECT_EQ(m_dlg.GetDlgItemText(IDOK), L"Fine");

    // Mode 0 at construction: segment 1 twice, never segment 3, blank lines only between.
    EXPECT_EQ(m_dlg.GetMode(), 0);
    EXPECT_EQ(Heading(), L"Cable advice");
    EXPECT_EQ(Advice(), kUsbAdvice);

    const LOGFONTW heading = FontOf(m_dlg.GetDlgItem(IDC_TS_HEADING));
    EXPECT_STREQ(heading.lfFaceName, L"Arial");
    EXPECT_EQ(heading.lfHeight, 16);
    EXPECT_STRNE(FontOf(m_dlg.GetDlgItem(IDC_TS_ADVICE)).lfFaceName, L"Arial")
        << "the advice keeps the dialog's font";
}

TEST_F(TroubleshootDialogTest, ModeSetWhileHiddenTakesEffectWhenShown) {
    Create();
    m_dlg.SetMode(1);
    EXPECT_EQ(Heading(), L"Cable advice") << "setting the mode only stores it";
    EXPECT_EQ(Advice(), kUsbAdvice);

    m_dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(Heading(), L"Infrared advice");
    EXPECT_EQ(Advice(), kInfraredAdvice);

    m_dlg.ShowWindow(SW_HIDE);
    m_dlg.SetMode(2);
    m_dlg.ShowWindow(SW_SHOW);
    EXPECT_EQ(Heading(), L"Bluetooth advice");
    EXPECT_EQ(Advice(), L"B1") << "one segment, no separator";

    // Back to the cable: nothing of the longer texts is left behind.
    m_dlg.ShowWindow(SW_HIDE);
    m_dlg.SetMode(0);
    m_dlg.ShowWindow(SW_SHOW);
    EXPECT_EQ(Heading(), L"Cable advice");
    EXPECT_EQ(Advice(), kUsbAdvice);
}

TEST_F(TroubleshootDialogTest, OkHidesAndTheNextShowingReadsTheLanguageFileAgain) {
    Create();
    m_dlg.SetMode(1);
    m_dlg.ShowWindow(SW_SHOW);
    ASSERT_TRUE(Visible());

    ::SendMessageW(m_dlg.GetDlgItem(IDOK), BM_CLICK, 0, 0);
    EXPECT_FALSE(Visible());
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd)) << "hidden, not destroyed";

    // A translator's new texts (the file changes size, so no cached copy can stand in).
    std::string changed = kLanguageFile;
    for (const std::string line : {"IDS_STRING_IR_ERROR_SEG_2=I2\r\n",
                                   "IDS_STRING_INFRARED_TROUBLESHOOT=Infrared advice\r\n"}) {
        const size_t at = changed.find(line);
        ASSERT_NE(at, std::string::npos);
        changed.erase(at, line.size());
    }
    changed += "IDS_STRING_IR_ERROR_SEG_2=second infrared hint\r\n"
               "IDS_STRING_INFRARED_TROUBLESHOOT=Infrared, revised\r\n";
    TempFolder::WriteBytes(m_app.m_strLangFile, changed);

    m_dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(Heading(), L"Infrared, revised");
    EXPECT_EQ(Advice(), L"I1\r\n\r\nsecond infrared hint\r\n\r\nI3\r\n\r\nI4\r\n\r\nI5\r\n\r\nI6"
                        L"\r\n\r\nI7\r\n\r\nI8");
}

TEST_F(TroubleshootDialogTest, EscapeCancelAndTheCloseBoxOnlyHide) {
    Create();

    m_dlg.ShowWindow(SW_SHOW);
    ::SendMessageW(m_dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(Visible()) << "IDCANCEL";
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd));

    m_dlg.ShowWindow(SW_SHOW);
    ASSERT_TRUE(Visible());
    ::SetFocus(m_dlg.GetDlgItem(IDOK));
    MSG escape{m_dlg.GetDlgItem(IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    EXPECT_TRUE(m_dlg.PreTranslateMessage(&escape));
    EXPECT_TRUE(PumpUntil([&] { return !Visible(); })) << "Escape";

    m_dlg.ShowWindow(SW_SHOW);
    ASSERT_TRUE(Visible());
    ::SendMessageW(m_dlg.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !Visible(); })) << "close box";
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd));

    // Still usable afterwards, with its texts rebuilt.
    m_dlg.SetMode(2);
    m_dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(Advice(), L"B1");
}

TEST_F(TroubleshootDialogTest, MissingKeysShowTheirNames) {
    TempFolder::WriteBytes(m_app.m_strLangFile, "[Hitch]\r\nIDS_STRING_USB_ERROR_SEG_2=U2\r\n");
    Create();
    EXPECT_EQ(m_dlg.GetWindowText(), L"IDS_STRING_ERRORSHOOT_TITLE");
    EXPECT_EQ(Heading(), L"IDS_STRING_USB_TROUBLESHOOT");
    EXPECT_EQ(Advice(), L"IDS_STRING_USB_ERROR_SEG_1\r\n\r\nU2\r\n\r\nIDS_STRING_USB_ERROR_SEG_1"
                        L"\r\n\r\nIDS_STRING_USB_ERROR_SEG_4\r\n\r\nIDS_STRING_USB_ERROR_SEG_5"
                        L"\r\n\r\nIDS_STRING_USB_ERROR_SEG_6");
}

TEST_F(TroubleshootDialogTest, F1IsAnsweredAsHandled) {
    // The topic itself cannot be observed here: ShowHelpTopic goes straight to the system's
    // HTML Help. What the dialog owes the system is the answer TRUE, so F1 goes no further.
    Create();
    m_dlg.SetMode(1);
    m_dlg.ShowWindow(SW_SHOW);
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = IDC_TS_ADVICE;
    info.hItemHandle = m_dlg.GetDlgItem(IDC_TS_ADVICE);
    EXPECT_EQ(::SendMessageW(m_dlg.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    EXPECT_TRUE(Visible()) << "help leaves the dialog as it was";
}

namespace {

// Where a control of the dialog stands in its client area.
RECT ItemRect(HWND hDlg, int id) {
    RECT rc{};
    ::GetWindowRect(::GetDlgItem(hDlg, id), &rc);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void Repaint(HWND hDlg) {
    ::RedrawWindow(hDlg, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
}

Pixels Skin(HWND hDlg) {
    RECT client{};
    ::GetClientRect(hDlg, &client);
    return StretchedResource(IDB_TROUBLESHOOT_BACKGROUND, client.right, client.bottom);
}

// The skin's colours under the top-left and bottom-right corners of both buttons.
std::vector<COLORREF> SkinUnderCorners(HWND hDlg) {
    const Pixels skin = Skin(hDlg);
    std::vector<COLORREF> colours;
    for (int id : {IDOK, IDC_TS_HELP}) {
        const RECT rc = ItemRect(hDlg, id);
        colours.push_back(skin.At(rc.left, rc.top));
        colours.push_back(skin.At(rc.right - 1, rc.bottom - 1));
    }
    return colours;
}

// On screen, the buttons' transparent corners show the skin as it is painted now, and their
// insides the normal face.
void ExpectButtonsOverSkin(HWND hDlg) {
    const Pixels screen = ScreenClient(hDlg);
    const Pixels skin = Skin(hDlg);
    const Pixels face = ResourceAsIs(IDB_TS_BUTTON_NORMAL);
    ASSERT_EQ(face.width, 75);
    ASSERT_EQ(face.height, 25);
    ASSERT_EQ(face.At(0, 0), RGB(255, 0, 255)) << "the artwork's corner is transparent";
    ASSERT_EQ(face.At(74, 24), RGB(255, 0, 255));

    for (int id : {IDOK, IDC_TS_HELP}) {
        SCOPED_TRACE(id);
        const RECT rc = ItemRect(hDlg, id);
        const int w = rc.right - rc.left;
        const int h = rc.bottom - rc.top;
        ASSERT_GT(w, 20);
        ASSERT_GT(h, 10);

        for (POINT corner : {POINT{rc.left, rc.top}, POINT{rc.right - 1, rc.bottom - 1}}) {
            const COLORREF expected = skin.At(corner.x, corner.y);
            // Else a button filling its background with the system colour would pass.
            ASSERT_FALSE(Near(expected, ::GetSysColor(COLOR_BTNFACE), 4));
            EXPECT_TRUE(Near(screen.At(corner.x, corner.y), expected, 3))
                << std::hex << screen.At(corner.x, corner.y) << " vs skin " << expected;
        }
        // Left of the caption and of the focus rectangle: the normal face.
        const int x = 5;
        const int y = h / 2;
        const COLORREF inside = screen.At(rc.left + x, rc.top + y);
        EXPECT_TRUE(Near(inside, face.At(x * 75 / w, y * 25 / h), 12))
            << std::hex << inside << " vs face " << face.At(x * 75 / w, y * 25 / h);
        EXPECT_FALSE(Near(inside, skin.At(rc.left + x, rc.top + y), 3));
    }
}

} // namespace

TEST_F(TroubleshootDialogTest, TransparentCornersOfTheButtonsShowTheFreshlyPaintedSkin) {
    Create();
    HWND hDlg = m_dlg.m_hWnd;
    // Away from the mouse, so no button is hovered.
    ::SetCursorPos(1000, 740);
    ::SetWindowPos(hDlg, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Repaint(hDlg);
    ExpectButtonsOverSkin(hDlg);

    // Moved onto the coloured band at the top, the buttons stand on other skin: only a
    // capture taken at each erase of the dialog shows it.
    const std::vector<COLORREF> before = SkinUnderCorners(hDlg);
    const RECT ok = ItemRect(hDlg, IDOK);
    ::SetWindowPos(m_dlg.GetDlgItem(IDOK), nullptr, ok.left, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT help = ItemRect(hDlg, IDC_TS_HELP);
    ::SetWindowPos(m_dlg.GetDlgItem(IDC_TS_HELP), nullptr, help.left, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint(hDlg);
    ASSERT_NE(SkinUnderCorners(hDlg), before) << "the skin must change there to tell";
    ExpectButtonsOverSkin(hDlg);
}

namespace {

class BluetoothPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        m_app.m_strLangFile = m_folder.File(L"language.lgg");
        TempFolder::WriteBytes(m_app.m_strLangFile, kLanguageFile);
        ASSERT_NE(m_parent.m_hWnd, nullptr);
    }

    TempFolder m_folder;
    CHitchApp m_app;
    ParentWindow m_parent;
};

} // namespace

TEST_F(BluetoothPagesTest, SearchPageHasItsTextsButtonsProgressRangeAndList) {
    CBluetoothDetectDlg page(&m_parent);
    ASSERT_TRUE(page.Create(IDD_BT_SEARCH, &m_parent));
    EXPECT_EQ(page.GetDlgItemText(IDC_PAGE_TITLE), L"Pick your phone");
    EXPECT_EQ(page.GetDlgItemText(IDC_PAGE_TEXT), L"Found:");
    EXPECT_EQ(page.GetDlgItemText(IDC_PAGE_TEXT2), L"Search statement");
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_SEARCH_MORE), L"Search again");
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_UNPAIR), L"Forget it");
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_STATUS), L" ");
    const LOGFONTW title = FontOf(page.GetDlgItem(IDC_PAGE_TITLE));
    EXPECT_STREQ(title.lfFaceName, L"Arial Black");
    EXPECT_EQ(title.lfHeight, 16);

    PBRANGE range{-1, -1};
    ::SendMessageW(page.GetDlgItem(IDC_BT_PROGRESS), PBM_GETRANGE, FALSE,
                   reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 10000);

    HWND hList = page.GetDlgItem(IDC_BT_DEVICE_LIST);
    RECT client{};
    ::GetClientRect(hList, &client);
    EXPECT_EQ(ListView_GetColumnWidth(hList, 0), client.right - 80);
    EXPECT_EQ(ListView_GetColumnWidth(hList, 1), 25);
    EXPECT_EQ(ListView_GetColumnWidth(hList, 2), 25);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    EXPECT_FALSE(ListView_GetColumn(hList, 3, &column)) << "three columns";
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(hList) & LVS_EX_SUBITEMIMAGES);

    HIMAGELIST hImages = ListView_GetImageList(hList, LVSIL_SMALL);
    ASSERT_NE(hImages, nullptr);
    EXPECT_EQ(::ImageList_GetImageCount(hImages), 6);
    int cx = 0;
    int cy = 0;
    ::ImageList_GetIconSize(hImages, &cx, &cy);
    EXPECT_EQ(cx, 20);
    EXPECT_EQ(cy, 24);
}

TEST_F(BluetoothPagesTest, PairingPageHasItsTextsAndTakesSixteenCharacters) {
    CBluetoothPairringDlg page(&m_parent);
    ASSERT_TRUE(page.Create(IDD_BT_PAIRING, &m_parent));
    EXPECT_EQ(page.GetDlgItemText(IDC_PAGE_TITLE), L"Verify");
    EXPECT_EQ(page.GetDlgItemText(IDC_PAGE_TEXT), L"Verify tips");
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_PASSCODE_LABEL), L"Code:");
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_PASSCODE_TIPS), L"Code tips");
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_PHONENAME_LABEL), L"Name:");
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_NEXT_TIPS), L"Press Next");
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_PAIR_PHONENAME), L" ");
    EXPECT_STREQ(FontOf(page.GetDlgItem(IDC_PAGE_TITLE)).lfFaceName, L"Arial Black");

    HWND hEdit = page.GetDlgItem(IDC_BT_PASSCODE);
    EXPECT_EQ(::SendMessageW(hEdit, EM_GETLIMITTEXT, 0, 0), 16);
    // Typed keys, not WM_SETTEXT (which the limit does not govern).
    ::SetFocus(hEdit);
    for (int i = 0; i < 17; ++i) {
        ::SendMessageW(hEdit, WM_CHAR, L'0' + i % 10, 0);
    }
    EXPECT_EQ(page.GetDlgItemText(IDC_BT_PASSCODE), L"0123456789012345");
}
