// The welcome, connection-type, detect-cable and completed pages inside the test process, on
// the program's own templates and artwork, with a language file of the test's own.
#include "app/hitch_app.h"
#include "app/module_file.h"
#include "pages/completed_page.h"
#include "pages/detect_cable_page.h"
#include "pages/select_type_page.h"
#include "pages/welcome_page.h"
#include "portservice/connected_phone.h"
#include "res/resource.h"

#include "../app/temp_file.h"
#include "../app/dist_dir.h"
#include "../ui/message_pump.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using hitched::test::PumpFor;

// A plain top-level window for the pages to live in, as the frame's client area would be.
class ParentWindow : public CWnd {
public:
    ParentWindow() {
        static const wchar_t* const kClass = L"HitchedPagesTestParent";
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        ::RegisterClassW(&wc); // a second registration fails harmlessly
        m_hWnd = ::CreateWindowExW(0, kClass, L"pages", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   1000, 700, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~ParentWindow() override {
        if (m_hWnd != nullptr) {
            ::DestroyWindow(m_hWnd);
            m_hWnd = nullptr;
        }
    }
};

// Every text of the four pages, each distinct from its key; one key of each page is left
// out, so it shows its key name.
const char kLanguageFile[] = "[Hitch]\r\n"
                             "IDS_STRING_WELCOME_WIZARD=Hello there\r\n"
                             "IDS_STRING_WELCOME_STATEMENT=This wizard connects\\nyour phone\r\n"
                             "IDS_STRING_WELCOME_DONOTSHOW_AGAIN=Skip this next time\r\n"
                             "IDS_STRING_SELECTTYPE=Pick a connection\r\n"
                             "IDS_STRING_STATEMENT=How is the phone attached?\r\n"
                             "IDS_STRING_CAPEL=Cable\r\n"
                             "IDS_STRING_INFRARED=Infra red\r\n"
                             "IDS_STRING_BLUETOOTH=Blue tooth\r\n"
                             "IDS_STRING_DETECT=Looking for the phone\r\n"
                             "IDS_STRING_CONNECT_COMPLETE=All done\r\n"
                             "IDS_STRING_CONNECT_COMPLETE_STATEMENT=These phones answer:\r\n"
                             "IDS_STRING_COMPLIST_SERIAL=On a serial cable\r\n"
                             "IDS_STRING_COMPLIST_USB=On a USB cable\r\n"
                             "IDS_STRING_COMPLIST_BT=Over Bluetooth\r\n"
                             "IDS_STRING_COMPLIST_IR=Over infrared\r\n";

class WizardPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_ANIMATE_CLASS};
        ::InitCommonControlsEx(&controls);
        m_app.m_strLangFile = m_folder.File(L"language.lgg");
        TempFolder::WriteBytes(m_app.m_strLangFile, kLanguageFile);
        ASSERT_NE(m_parent.m_hWnd, nullptr);
    }

    TempFolder m_folder;
    CHitchApp m_app;
    ParentWindow m_parent; // destroyed after the pages of each test
};

std::wstring ItemText(HWND hDlg, int id) {
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(hDlg, id, text, 1024);
    return text;
}

LOGFONTW ItemFont(HWND hDlg, int id) {
    LOGFONTW font{};
    HFONT hFont = reinterpret_cast<HFONT>(::SendDlgItemMessageW(hDlg, id, WM_GETFONT, 0, 0));
    if (hFont != nullptr) {
        ::GetObjectW(hFont, sizeof(font), &font);
    }
    return font;
}

// The title 1006 wears "Arial Black" of height 16, default weight, no decoration; the body
// text 1007 keeps the dialog's own font.
void ExpectTitleFont(HWND hDlg) {
    const LOGFONTW title = ItemFont(hDlg, IDC_PAGE_TITLE);
    EXPECT_STREQ(title.lfFaceName, L"Arial Black");
    EXPECT_EQ(title.lfHeight, 16);
    EXPECT_EQ(title.lfWidth, 0);
    EXPECT_EQ(title.lfWeight, 0);
    EXPECT_EQ(title.lfItalic, 0);
    EXPECT_EQ(title.lfUnderline, 0);
    EXPECT_EQ(title.lfCharSet, 0);
    EXPECT_STRNE(ItemFont(hDlg, IDC_PAGE_TEXT).lfFaceName, L"Arial Black");
}

int Check(HWND hDlg, int id) {
    return static_cast<int>(::SendDlgItemMessageW(hDlg, id, BM_GETCHECK, 0, 0));
}

void SetCheck(HWND hDlg, int id, int state) {
    ::SendDlgItemMessageW(hDlg, id, BM_SETCHECK, state, 0);
}

// Enter and Escape as the dialog manager turns them into commands, and the commands sent
// directly, the way buttons 1 and 2 would.
void PressEnterAndEscape(CDialog& page, int focusId) {
    HWND hFocus = page.GetDlgItem(focusId);
    ::SetFocus(hFocus);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        MSG msg{hFocus, WM_KEYDOWN, key, 0x00010001, 0, {0, 0}};
        page.PreTranslateMessage(&msg);
    }
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PumpFor(50);
}

// --- the page skin: stretched background, transparent texts ---------------------------------

// A page's client area as WM_PRINT paints it (background erase, then the client).
class PageCapture {
public:
    explicit PageCapture(HWND hWnd) {
        RECT client{};
        ::GetClientRect(hWnd, &client);
        m_width = client.right;
        m_height = client.bottom;
        HDC screen = ::GetDC(nullptr);
        m_dc = ::CreateCompatibleDC(screen);
        m_bitmap = ::CreateCompatibleBitmap(screen, m_width, m_height);
        ::ReleaseDC(nullptr, screen);
        m_old = ::SelectObject(m_dc, m_bitmap);
        RECT all{0, 0, m_width, m_height};
        ::FillRect(m_dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::SendMessageW(hWnd, WM_PRINT, reinterpret_cast<WPARAM>(m_dc), PRF_CLIENT | PRF_ERASEBKGND);
    }
    ~PageCapture() {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(m_dc, x, y); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width = 0;
    int m_height = 0;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

// A bitmap resource of the program, to read its pixels.
class ResourceBitmap {
public:
    explicit ResourceBitmap(UINT id) {
        m_bitmap =
            static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP info{};
        ::GetObjectW(m_bitmap, sizeof(info), &info);
        m_width = info.bmWidth;
        m_height = info.bmHeight;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_old = ::SelectObject(m_dc, m_bitmap);
    }
    ~ResourceBitmap() {
        ::SelectObject(m_dc, m_old);
        ::DeleteDC(m_dc);
        ::DeleteObject(m_bitmap);
    }
    bool Loaded() const { return m_bitmap != nullptr; }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(m_dc, x, y); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    HBITMAP m_bitmap = nullptr;
    int m_width = 0;
    int m_height = 0;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

bool Near(COLORREF a, COLORREF b, int tolerance = 24) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%06lX", static_cast<unsigned long>(c));
    return text;
}

// Compares the page's pixels at fractions of its size with the bitmap's at the same
// fractions: only a bitmap stretched over exactly the whole client area matches everywhere.
// The points lie away from the page's controls, on smooth parts of the artwork.
void ExpectBackgroundStretched(HWND hPage, UINT bitmapId,
                               const std::vector<std::pair<double, double>>& points) {
    ResourceBitmap bitmap(bitmapId);
    ASSERT_TRUE(bitmap.Loaded());
    PageCapture page(hPage);
    ASSERT_GT(page.Width(), 0);
    for (const auto& [fx, fy] : points) {
        const int px = static_cast<int>(fx * page.Width());
        const int py = static_cast<int>(fy * page.Height());
        const COLORREF expected = bitmap.Pixel(static_cast<int>(fx * bitmap.Width()),
                                               static_cast<int>(fy * bitmap.Height()));
        const COLORREF actual = page.Pixel(px, py);
        EXPECT_TRUE(Near(actual, expected))
            << "at " << fx << ", " << fy << " (" << px << ", " << py << " of " << page.Width()
            << " x " << page.Height() << "): page " << Hex(actual) << ", bitmap " << Hex(expected);
    }
}

// Points on the artwork: inside the blue panel on the left, on the light band at the top
// right and on the lower right area.
const std::vector<std::pair<double, double>> kWelcomePoints = {
    {0.09, 0.75}, {0.06, 0.10}, {0.60, 0.05}, {0.90, 0.12}, {0.10, 0.90}, {0.97, 0.95}};
const std::vector<std::pair<double, double>> kPagePoints = {
    {0.05, 0.80}, {0.20, 0.10}, {0.60, 0.05}, {0.05, 0.30}, {0.97, 0.95}, {0.40, 0.97}};

void ResizeClient(HWND hWnd, int width, int height) {
    ::SetWindowPos(hWnd, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE);
}

TEST_F(WizardPagesTest, BackgroundIsStretchedOverTheWholePageWhateverItsSize) {
    CWelComeDlg welcome;
    ASSERT_TRUE(welcome.Create(IDD_WELCOME, &m_parent));
    ExpectBackgroundStretched(welcome.m_hWnd, IDB_WELCOME_BACKGROUND, kWelcomePoints);
    ResizeClient(welcome.m_hWnd, 270, 150); // half the bitmap
    ExpectBackgroundStretched(welcome.m_hWnd, IDB_WELCOME_BACKGROUND, kWelcomePoints);
    ResizeClient(welcome.m_hWnd, 900, 620); // well beyond it
    ExpectBackgroundStretched(welcome.m_hWnd, IDB_WELCOME_BACKGROUND, kWelcomePoints);

    // The other pages wear the other background.
    CSelectMediaTypeDlg select;
    ASSERT_TRUE(select.Create(IDD_SELECT_TYPE, &m_parent));
    ExpectBackgroundStretched(select.m_hWnd, IDB_PAGE_BACKGROUND, kPagePoints);
    ResizeClient(select.m_hWnd, 321, 175);
    ExpectBackgroundStretched(select.m_hWnd, IDB_PAGE_BACKGROUND, kPagePoints);

    CConnectCompletedDlg completed;
    ASSERT_TRUE(completed.Create(IDD_CONNECT_COMPLETED, &m_parent));
    ResizeClient(completed.m_hWnd, 960, 520);
    ExpectBackgroundStretched(completed.m_hWnd, IDB_PAGE_BACKGROUND, kPagePoints);

    CDetectCablePhnoeDlg detect;
    ASSERT_TRUE(detect.Create(IDD_DETECT_CABLE, &m_parent));
    ExpectBackgroundStretched(detect.m_hWnd, IDB_PAGE_BACKGROUND, kPagePoints);
}

// --- welcome page ----------------------------------------------------------------------------

TEST_F(WizardPagesTest, WelcomePageTakesItsTextsAndTitleFontFromTheLanguageFile) {
    CWelComeDlg page;
    ASSERT_TRUE(page.Create(IDD_WELCOME, &m_parent));
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TITLE), L"Hello there");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TEXT), L"This wizard connects\nyour phone");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TEXT2), L"IDS_STRING_WELCOME_STATEMENT2");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_WELCOME_DONOTSHOW), L"Skip this next time");
    ExpectTitleFont(page.m_hWnd);
    EXPECT_FALSE(page.IsWindowVisible()) << "the frame shows the page";
}

TEST_F(WizardPagesTest, WelcomePageShowsAgainUnlessTheBoxIsChecked) {
    CWelComeDlg page;
    ASSERT_TRUE(page.Create(IDD_WELCOME, &m_parent));
    EXPECT_EQ(Check(page.m_hWnd, IDC_WELCOME_DONOTSHOW), BST_UNCHECKED);
    EXPECT_TRUE(page.IsShowAgain());

    // A click, as the user checks it.
    ::SendMessageW(page.GetDlgItem(IDC_WELCOME_DONOTSHOW), BM_CLICK, 0, 0);
    ASSERT_EQ(Check(page.m_hWnd, IDC_WELCOME_DONOTSHOW), BST_CHECKED);
    EXPECT_FALSE(page.IsShowAgain());
    ::SendMessageW(page.GetDlgItem(IDC_WELCOME_DONOTSHOW), BM_CLICK, 0, 0);
    EXPECT_TRUE(page.IsShowAgain());

    // The automatic check box of the template has two states; as a three-state box it can
    // hold "indeterminate", which does not count as checked.
    ::SendDlgItemMessageW(page.m_hWnd, IDC_WELCOME_DONOTSHOW, BM_SETSTYLE, BS_AUTO3STATE, FALSE);
    SetCheck(page.m_hWnd, IDC_WELCOME_DONOTSHOW, BST_INDETERMINATE);
    ASSERT_EQ(Check(page.m_hWnd, IDC_WELCOME_DONOTSHOW), BST_INDETERMINATE);
    EXPECT_TRUE(page.IsShowAgain());
    SetCheck(page.m_hWnd, IDC_WELCOME_DONOTSHOW, BST_CHECKED);
    EXPECT_FALSE(page.IsShowAgain());
}

// --- connection-type page --------------------------------------------------------------------

TEST_F(WizardPagesTest, ConnectionTypePageTextsAndPreselectedCable) {
    CSelectMediaTypeDlg page;
    ASSERT_TRUE(page.Create(IDD_SELECT_TYPE, &m_parent));
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TITLE), L"Pick a connection");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TEXT), L"How is the phone attached?");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TEXT2), L"IDS_STRING_STATEMENT2");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_RADIO_CABLE), L"Cable");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_RADIO_INFRARED), L"Infra red");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_RADIO_BLUETOOTH), L"Blue tooth");
    ExpectTitleFont(page.m_hWnd);

    EXPECT_EQ(Check(page.m_hWnd, IDC_RADIO_CABLE), BST_CHECKED);
    EXPECT_EQ(Check(page.m_hWnd, IDC_RADIO_INFRARED), BST_UNCHECKED);
    EXPECT_EQ(Check(page.m_hWnd, IDC_RADIO_BLUETOOTH), BST_UNCHECKED);
    EXPECT_EQ(page.GetSelectedType(), 0);
}

TEST_F(WizardPagesTest, SelectedTypeFollowsTheCheckedRadioButton) {
    CSelectMediaTypeDlg page;
    ASSERT_TRUE(page.Create(IDD_SELECT_TYPE, &m_parent));
    HWND hDlg = page.m_hWnd;

    // Clicks, as the user chooses: the three form one group.
    ::SendMessageW(page.GetDlgItem(IDC_RADIO_INFRARED), BM_CLICK, 0, 0);
    EXPECT_EQ(Check(hDlg, IDC_RADIO_CABLE), BST_UNCHECKED);
    EXPECT_EQ(page.GetSelectedType(), 1);
    ::SendMessageW(page.GetDlgItem(IDC_RADIO_BLUETOOTH), BM_CLICK, 0, 0);
    EXPECT_EQ(Check(hDlg, IDC_RADIO_INFRARED), BST_UNCHECKED);
    EXPECT_EQ(page.GetSelectedType(), 2);
    ::SendMessageW(page.GetDlgItem(IDC_RADIO_CABLE), BM_CLICK, 0, 0);
    EXPECT_EQ(page.GetSelectedType(), 0);

    // None checked: the cable.
    for (int id : {IDC_RADIO_CABLE, IDC_RADIO_INFRARED, IDC_RADIO_BLUETOOTH}) {
        SetCheck(hDlg, id, BST_UNCHECKED);
    }
    EXPECT_EQ(page.GetSelectedType(), 0);

    // More than one checked (plain radio buttons do not clear the others): the first in the
    // order cable, infrared, Bluetooth.
    for (int id : {IDC_RADIO_CABLE, IDC_RADIO_INFRARED, IDC_RADIO_BLUETOOTH}) {
        ::SendDlgItemMessageW(hDlg, id, BM_SETSTYLE, BS_RADIOBUTTON, FALSE);
    }
    SetCheck(hDlg, IDC_RADIO_INFRARED, BST_CHECKED);
    SetCheck(hDlg, IDC_RADIO_BLUETOOTH, BST_CHECKED);
    EXPECT_EQ(page.GetSelectedType(), 1);
    SetCheck(hDlg, IDC_RADIO_CABLE, BST_CHECKED);
    EXPECT_EQ(page.GetSelectedType(), 0);
    SetCheck(hDlg, IDC_RADIO_CABLE, BST_UNCHECKED);

    // A radio button that is gone counts as not checked.
    ::DestroyWindow(page.GetDlgItem(IDC_RADIO_INFRARED));
    EXPECT_EQ(page.GetSelectedType(), 2);
    ::DestroyWindow(page.GetDlgItem(IDC_RADIO_BLUETOOTH));
    EXPECT_EQ(page.GetSelectedType(), 0);
}

TEST_F(WizardPagesTest, EnterAndEscapeNeitherCloseAPageNorChangeTheSelection) {
    // What the check below looks for: a dialog that keeps the default OK handling hides.
    CDialog plain(IDD_SELECT_TYPE);
    ASSERT_TRUE(plain.Create(IDD_SELECT_TYPE, &m_parent));
    plain.ShowWindow(SW_SHOW);
    plain.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_FALSE(plain.IsWindowVisible()) << "the check would prove nothing";

    CSelectMediaTypeDlg select;
    ASSERT_TRUE(select.Create(IDD_SELECT_TYPE, &m_parent));
    select.ShowWindow(SW_SHOW);
    ::SendMessageW(select.GetDlgItem(IDC_RADIO_INFRARED), BM_CLICK, 0, 0);
    PressEnterAndEscape(select, IDC_RADIO_INFRARED);
    EXPECT_TRUE(::IsWindow(select.m_hWnd));
    EXPECT_TRUE(select.IsWindowVisible());
    EXPECT_EQ(select.GetSelectedType(), 1);

    CWelComeDlg welcome;
    ASSERT_TRUE(welcome.Create(IDD_WELCOME, &m_parent));
    welcome.ShowWindow(SW_SHOW);
    PressEnterAndEscape(welcome, IDC_WELCOME_DONOTSHOW);
    EXPECT_TRUE(welcome.IsWindowVisible());
    EXPECT_TRUE(welcome.IsShowAgain());

    CDetectCablePhnoeDlg detect;
    ASSERT_TRUE(detect.Create(IDD_DETECT_CABLE, &m_parent));
    detect.ShowWindow(SW_SHOW);
    PressEnterAndEscape(detect, IDC_DETECT_ANIMATION);
    EXPECT_TRUE(detect.IsWindowVisible());

    CConnectCompletedDlg completed;
    ASSERT_TRUE(completed.Create(IDD_CONNECT_COMPLETED, &m_parent));
    completed.ShowWindow(SW_SHOW);
    PressEnterAndEscape(completed, IDC_PHONE_LIST);
    EXPECT_TRUE(completed.IsWindowVisible());
}

// --- detect-cable page -----------------------------------------------------------------------

// Puts the build's clip beside the test program for as long as it lives, or makes sure none
// is there.
class ClipBesideProgram {
public:
    explicit ClipBesideProgram(bool present) : m_path(CDetectCablePhnoeDlg::ClipPath()) {
        // Never touch the install layout's own clip.
        if (SameFile(Source(), m_path)) {
            m_path.clear();
            return;
        }
        ::DeleteFileW(m_path.c_str());
        if (present) {
            m_ok = ::CopyFileW(Source().c_str(), m_path.c_str(), FALSE) != FALSE;
        } else {
            m_ok = ::GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES;
        }
    }
    ~ClipBesideProgram() {
        if (!m_path.empty()) {
            ::DeleteFileW(m_path.c_str());
        }
    }
    bool Ok() const { return m_ok; }

    // The install layout's clip.
    static std::wstring Source() { return DistDir() + L"detectphone.pgr"; }

private:
    static std::wstring FullPath(const std::wstring& path) {
        wchar_t full[MAX_PATH] = {};
        const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
        return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
    }
    static bool SameFile(const std::wstring& a, const std::wstring& b) {
        return ::CompareStringOrdinal(FullPath(a).c_str(), -1, FullPath(b).c_str(), -1, TRUE) ==
               CSTR_EQUAL;
    }

    std::wstring m_path;
    bool m_ok = false;
};

// A play request succeeds only while a clip is open.
bool HasClip(const CDetectCablePhnoeDlg& page) {
    return ::SendMessageW(page.GetDlgItem(IDC_DETECT_ANIMATION), ACM_PLAY, static_cast<WPARAM>(-1),
                          MAKELPARAM(0, 0xFFFF)) != 0;
}

// What the animation control shows now, as it paints itself into a memory context.
std::vector<COLORREF> AnimationPicture(const CDetectCablePhnoeDlg& page) {
    HWND hAnimation = page.GetDlgItem(IDC_DETECT_ANIMATION);
    RECT client{};
    ::GetClientRect(hAnimation, &client);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP canvas = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, canvas);
    ::SendMessageW(hAnimation, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; y += 4) {
        for (int x = 0; x < client.right; x += 4) {
            pixels.push_back(::GetPixel(dc, x, y));
        }
    }
    ::SelectObject(dc, old);
    ::DeleteObject(canvas);
    ::DeleteDC(dc);
    return pixels;
}

TEST_F(WizardPagesTest, DetectPageTextsAndTitleFont) {
    CDetectCablePhnoeDlg page;
    ASSERT_TRUE(page.Create(IDD_DETECT_CABLE, &m_parent));
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TITLE), L"Looking for the phone");
    EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TEXT), L"IDS_STRING_DETECT_CABLE_STATEMENT");
    ExpectTitleFont(page.m_hWnd);
}

// One test for both cases: the clip lies beside the shared test program.
TEST_F(WizardPagesTest, DetectPagePlaysTheClipBesideTheProgramOrStaysEmpty) {
    const std::wstring clip = CDetectCablePhnoeDlg::ClipPath();
    const std::wstring folder = hitched::ModuleDirectoryWithBackslash();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(clip.compare(0, folder.size(), folder), 0) << "beside the program";
    {
        ClipBesideProgram present(true);
        ASSERT_TRUE(present.Ok()) << "cannot copy "
                                  << std::string(ClipBesideProgram::Source().begin(),
                                                 ClipBesideProgram::Source().end());
        // The doubled backslash in the path is accepted.
        ASSERT_NE(::GetFileAttributesW(clip.c_str()), INVALID_FILE_ATTRIBUTES);
        CDetectCablePhnoeDlg page;
        ASSERT_TRUE(page.Create(IDD_DETECT_CABLE, &m_parent));
        page.ShowWindow(SW_SHOW);
        PumpFor(100);
        // Playing: the picture changes from one moment to the next, without end.
        const std::vector<COLORREF> before = AnimationPicture(page);
        PumpFor(500);
        EXPECT_NE(AnimationPicture(page), before);
        // The control paints the clip's background with the brush the page answers; a wrong
        // answer (the dialog's grey, say) would show instead.
        const std::vector<COLORREF> picture = AnimationPicture(page);
        EXPECT_GT(std::count(picture.begin(), picture.end(), COLORREF{0xF2DDCC}), 0)
            << "corner pixel " << Hex(picture.front());
        // Hiding and showing the page leaves the clip running.
        page.ShowWindow(SW_HIDE);
        page.ShowWindow(SW_SHOW);
        PumpFor(50);
        const std::vector<COLORREF> shown = AnimationPicture(page);
        PumpFor(500);
        EXPECT_NE(AnimationPicture(page), shown);
        EXPECT_TRUE(HasClip(page));
    }
    {
        ClipBesideProgram absent(false);
        ASSERT_TRUE(absent.Ok());
        CDetectCablePhnoeDlg page;
        ASSERT_TRUE(page.Create(IDD_DETECT_CABLE, &m_parent));
        page.ShowWindow(SW_SHOW);
        PumpFor(100);
        const std::vector<COLORREF> before = AnimationPicture(page);
        PumpFor(500);
        EXPECT_EQ(AnimationPicture(page), before);
        EXPECT_FALSE(HasClip(page));
        // The page works as before.
        EXPECT_EQ(ItemText(page.m_hWnd, IDC_PAGE_TITLE), L"Looking for the phone");
    }
}

TEST_F(WizardPagesTest, AnimationGetsItsOwnBackgroundColourOtherStaticsTheHollowBrush) {
    CDetectCablePhnoeDlg page;
    ASSERT_TRUE(page.Create(IDD_DETECT_CABLE, &m_parent));
    HDC dc = ::CreateCompatibleDC(nullptr);

    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, RGB(1, 2, 3));
    HWND hAnimation = page.GetDlgItem(IDC_DETECT_ANIMATION);
    const auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(page.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(hAnimation)));
    ASSERT_NE(brush, nullptr);
    LOGBRUSH logBrush{};
    ASSERT_EQ(::GetObjectW(brush, sizeof(logBrush), &logBrush), static_cast<int>(sizeof(logBrush)));
    EXPECT_EQ(logBrush.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(logBrush.lbColor, 0xF2DDCCu); // red 204, green 221, blue 242
    EXPECT_EQ(::GetBkColor(dc), 0xF2DDCCu);
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    // The same brush every time: the page keeps it.
    EXPECT_EQ(reinterpret_cast<HBRUSH>(::SendMessageW(page.m_hWnd, WM_CTLCOLORSTATIC,
                                                      reinterpret_cast<WPARAM>(dc),
                                                      reinterpret_cast<LPARAM>(hAnimation))),
              brush);

    // An ordinary static: transparent over the skin, without the clip's colour.
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, RGB(1, 2, 3));
    const auto textBrush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(page.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(page.GetDlgItem(IDC_PAGE_TEXT))));
    EXPECT_EQ(textBrush, static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH)));
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    EXPECT_NE(::GetBkColor(dc), 0xF2DDCCu);
    ::DeleteDC(dc);
}

// --- completed page --------------------------------------------------------------------------

_CONNECTEDPHONE_T Phone(std::uint32_t type, const std::u16string& manufacturer,
                        const std::u16string& name) {
    _CONNECTEDPHONE_T phone{};
    phone.dwConnectType = type;
    manufacturer.copy(phone.tszManufacturer, 127);
    name.copy(phone.tszPhoneName, 127);
    return phone;
}

struct Row {
    std::wstring name;
    std::wstring label;
    int image;
};

std::vector<Row> Rows(CConnectCompletedDlg& page) {
    std::vector<Row> rows;
    for (int i = 0; i < page.m_list.GetItemCount(); ++i) {
        rows.push_back({page.m_list.GetItemText(i, 0), page.m_list.GetItemText(i, 1),
                        page.m_list.GetItemImage(i, 0)});
    }
    return rows;
}

class CompletedPageTest : public WizardPagesTest {
protected:
    void SetUp() override {
        WizardPagesTest::SetUp();
        ASSERT_TRUE(m_page.Create(IDD_CONNECT_COMPLETED, &m_parent));
    }
    void ExpectRows(const std::vector<Row>& expected) {
        const std::vector<Row> rows = Rows(m_page);
        ASSERT_EQ(rows.size(), expected.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].name, expected[i].name) << "row " << i;
            EXPECT_EQ(rows[i].label, expected[i].label) << "row " << i;
            EXPECT_EQ(rows[i].image, expected[i].image) << "row " << i;
        }
    }

    CConnectCompletedDlg m_page;
};

TEST_F(CompletedPageTest, TextsTitleFontAndListLayout) {
    HWND hDlg = m_page.m_hWnd;
    EXPECT_EQ(ItemText(hDlg, IDC_PAGE_TITLE), L"All done");
    EXPECT_EQ(ItemText(hDlg, IDC_PAGE_TEXT), L"These phones answer:");
    EXPECT_EQ(ItemText(hDlg, IDC_COMPLETED_TEXT2), L"IDS_STRING_CONNECT_COMPLETE_STATEMENT2");
    ExpectTitleFont(hDlg);

    RECT client{};
    m_page.m_list.GetClientRect(&client);
    EXPECT_EQ(m_page.m_list.GetColumnWidth(0), 200);
    EXPECT_EQ(m_page.m_list.GetColumnWidth(1), client.right - 200);
    const DWORD extended = m_page.m_list.GetExtendedStyle();
    EXPECT_EQ(extended & (LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT));
    EXPECT_EQ(m_page.m_list.GetItemCount(), 0) << "the page starts empty";
}

TEST_F(CompletedPageTest, ImageListHoldsTheSixMaskedImagesOfTheBitmap) {
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(
        ::SendMessageW(m_page.m_list.m_hWnd, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(::ImageList_GetImageCount(images), 6);
    int cx = 0;
    int cy = 0;
    ASSERT_TRUE(::ImageList_GetIconSize(images, &cx, &cy));
    EXPECT_EQ(cx, 20);
    EXPECT_EQ(cy, 24);

    // Image 0 drawn over green: its magenta pixels let the green through, the others not.
    ResourceBitmap source(IDB_LIST_IMAGES);
    ASSERT_TRUE(source.Loaded());
    POINT magenta{-1, -1};
    POINT solid{-1, -1};
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 20; ++x) {
            const COLORREF c = source.Pixel(x, y);
            POINT& slot = c == RGB(255, 0, 255) ? magenta : solid;
            if (slot.x < 0) {
                slot = {x, y};
            }
        }
    }
    ASSERT_GE(magenta.x, 0) << "image 0 has no transparent pixel";
    ASSERT_GE(solid.x, 0);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP canvas = ::CreateCompatibleBitmap(screen, 20, 24);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, canvas);
    HBRUSH green = ::CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 20, 24};
    ::FillRect(dc, &all, green);
    ::ImageList_Draw(images, 0, dc, 0, 0, ILD_TRANSPARENT);
    EXPECT_EQ(::GetPixel(dc, magenta.x, magenta.y), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(dc, solid.x, solid.y), source.Pixel(solid.x, solid.y));
    ::SelectObject(dc, old);
    ::DeleteObject(green);
    ::DeleteObject(canvas);
    ::DeleteDC(dc);
}

TEST_F(CompletedPageTest, ImageListOutlivesTheListAndBelongsToThePage) {
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(
        ::SendMessageW(m_page.m_list.m_hWnd, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_NE(images, nullptr);
    // The windows go first (as when the frame is torn down); the list must not take the
    // image list with it, or the page would release it twice.
    m_page.DestroyWindow();
    EXPECT_EQ(::ImageList_GetImageCount(images), 6);
}

TEST_F(CompletedPageTest, OneRowPerRecordWithDisplayNameLabelAndPhoneImage) {
    const std::vector<_CONNECTEDPHONE_T> phones = {
        Phone(1, u"Ostra", u"Ostra K300"), // contains the manufacturer
        Phone(2, u"Ostra", u"K500"),       // does not
        Phone(0, u"", u"Serial one"),      // no manufacturer
        Phone(3, u"Ostra", u"ostra i9"),   // case differs
        Phone(7, u"Ostra", u"Odd type")};  // no label
    m_page.FillConnectedPhones(phones.data(), static_cast<int>(phones.size()));
    ExpectRows({{L"Ostra K300", L"On a USB cable", 0},
                {L"Ostra K500", L"Over Bluetooth", 0},
                {L"Serial one", L"On a serial cable", 0},
                {L"Ostra ostra i9", L"Over infrared", 0},
                {L"Ostra Odd type", L"", 0}});
}

TEST_F(CompletedPageTest, EachFillingReplacesTheRows) {
    const std::vector<_CONNECTEDPHONE_T> first = {
        Phone(1, u"Ostra", u"A1"), Phone(1, u"Ostra", u"A2"), Phone(2, u"Ostra", u"A3")};
    const std::vector<_CONNECTEDPHONE_T> second = {Phone(2, u"Ostra", u"Ostra B1")};
    m_page.FillConnectedPhones(first.data(), 3);
    ASSERT_EQ(m_page.m_list.GetItemCount(), 3);
    m_page.FillConnectedPhones(second.data(), 1);
    ExpectRows({{L"Ostra B1", L"Over Bluetooth", 0}});

    // A null block changes nothing, a count of 0 empties the list.
    m_page.FillConnectedPhones(nullptr, 3);
    ExpectRows({{L"Ostra B1", L"Over Bluetooth", 0}});
    m_page.FillConnectedPhones(first.data(), 0);
    EXPECT_EQ(m_page.m_list.GetItemCount(), 0);
    m_page.FillConnectedPhones(first.data(), -1);
    EXPECT_EQ(m_page.m_list.GetItemCount(), 0);
}

TEST_F(CompletedPageTest, RecordsAreReadFromAnUnalignedBlockAndUnterminatedFieldsAreCut) {
    // Records back to back, 2056 bytes apart, one byte into the buffer.
    _CONNECTEDPHONE_T full = Phone(1, u"", u"");
    for (char16_t& c : full.tszPhoneName) {
        c = u'P';
    }
    for (char16_t& c : full.tszManufacturer) {
        c = u'M';
    }
    const _CONNECTEDPHONE_T plain = Phone(2, u"Ostra", u"Ostra Z");
    std::vector<unsigned char> block(1 + 2 * sizeof(_CONNECTEDPHONE_T));
    std::memcpy(block.data() + 1, &plain, sizeof(plain));
    std::memcpy(block.data() + 1 + sizeof(plain), &full, sizeof(full));
    m_page.FillConnectedPhones(block.data() + 1, 2);
    ExpectRows({{L"Ostra Z", L"Over Bluetooth", 0},
                {std::wstring(128, L'M') + L" " + std::wstring(128, L'P'), L"On a USB cable", 0}});
}

TEST_F(CompletedPageTest, FillingFromAnotherThreadReachesTheList) {
    const std::vector<_CONNECTEDPHONE_T> phones = {Phone(1, u"Ostra", u"Ostra W1"),
                                                   Phone(2, u"Ostra", u"W2")};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        m_page.FillConnectedPhones(phones.data(), 2);
        done = true;
    });
    // The list's messages run on this thread, so it keeps pumping while the worker waits.
    const ULONGLONG end = ::GetTickCount64() + 5000;
    while (!done && ::GetTickCount64() < end) {
        PumpFor(10);
    }
    worker.join();
    ExpectRows({{L"Ostra W1", L"On a USB cable", 0}, {L"Ostra W2", L"Over Bluetooth", 0}});
}

} // namespace
