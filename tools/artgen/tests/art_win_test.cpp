// The generated artwork, clip and help as Windows itself loads them: bitmaps from files and
// from resources, the icon at its three sizes, the image list of the device lists, the clip
// in a real animation control, and the help file through HTML Help and its storage.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The storage interface of HTML Help's own reader (itss.dll), for reading the compiled help
// back. Declared outside the anonymous namespace: there the compiler may assume that nothing
// implements it and turn the calls into pure-virtual traps.
struct IITStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD,
                                                                   IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD,
                                                     IStorage**) = 0;
};
namespace {

// Build-folder paths come in as Unix paths; Wine maps the root to drive Z:.
std::wstring WinPath(const char* unixPath, const std::wstring& rest = L"") {
    std::wstring p = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        p += (*c == '/') ? L'\\' : static_cast<wchar_t>(*c);
    if (!rest.empty())
        p += L"\\" + rest;
    return p;
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

struct Art {
    int id;
    const wchar_t* file;
    int width, height, bpp;
};

const Art kBitmaps[] = {
    {129, L"bg_frame_129.bmp", 671, 508, 24},     {131, L"btn_normal_131.bmp", 97, 25, 24},
    {132, L"btn_pressed_132.bmp", 97, 25, 24},    {135, L"btn_hover_135.bmp", 97, 25, 24},
    {136, L"separator_136.bmp", 440, 2, 4},       {155, L"bg_troubleshoot_155.bmp", 491, 530, 24},
    {156, L"btn_ts_hover_156.bmp", 75, 25, 24},   {157, L"btn_ts_normal_157.bmp", 75, 25, 24},
    {158, L"btn_ts_pressed_158.bmp", 75, 25, 24}, {162, L"bg_welcome_162.bmp", 540, 299, 24},
    {163, L"bg_page_163.bmp", 642, 349, 24},      {166, L"btn_bt_grey_166.bmp", 140, 26, 24},
    {167, L"btn_bt_rim_167.bmp", 140, 26, 24},    {168, L"btn_bt_blue_168.bmp", 140, 26, 24},
    {169, L"imagelist_169.bmp", 121, 24, 24},
};

const COLORREF kMagenta = RGB(255, 0, 255);
const COLORREF kAnimBack = 0xF2DDCC; // the detect-cable page's animation background

void ExpectDib(HBITMAP bmp, const Art& a) {
    ASSERT_NE(bmp, nullptr) << a.id;
    DIBSECTION ds{};
    ASSERT_EQ(GetObjectW(bmp, sizeof ds, &ds), static_cast<int>(sizeof ds)) << a.id;
    EXPECT_EQ(ds.dsBm.bmWidth, a.width) << a.id;
    EXPECT_EQ(ds.dsBm.bmHeight, a.height) << a.id;
    EXPECT_EQ(ds.dsBmih.biBitCount, a.bpp) << a.id;
    EXPECT_GT(ds.dsBmih.biHeight, 0) << a.id << " is bottom-up";
}

// Reads a pixel of a bitmap through a memory DC.
COLORREF PixelOf(HBITMAP bmp, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

TEST(ArtFiles, EveryBitmapLoadsFromItsFileWithItsSize) {
    for (const Art& a : kBitmaps) {
        std::wstring path = WinPath(HITCHED_ART_DIR, a.file);
        auto bmp = static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                   LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ExpectDib(bmp, a);
        DeleteObject(bmp);
    }
}

TEST(ArtResources, EveryBitmapLoadsByIdWithItsSize) {
    for (const Art& a : kBitmaps) {
        auto bmp =
            static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(a.id),
                                            IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ExpectDib(bmp, a);
        DeleteObject(bmp);
        // the plain loader the dialogs use works too
        HBITMAP plain = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(a.id));
        ASSERT_NE(plain, nullptr) << a.id;
        BITMAP bm{};
        GetObjectW(plain, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, a.width);
        EXPECT_EQ(bm.bmHeight, a.height);
        DeleteObject(plain);
    }
}

TEST(ArtResources, ButtonFacesHaveMagentaCorners) {
    for (int id : {131, 132, 135, 156, 157, 158, 166, 167, 168}) {
        HBITMAP bmp = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
        ASSERT_NE(bmp, nullptr) << id;
        BITMAP bm{};
        GetObjectW(bmp, sizeof bm, &bm);
        EXPECT_EQ(PixelOf(bmp, 0, 0), kMagenta) << id;
        EXPECT_EQ(PixelOf(bmp, bm.bmWidth - 1, bm.bmHeight - 1), kMagenta) << id;
        EXPECT_NE(PixelOf(bmp, bm.bmWidth / 2, bm.bmHeight / 2), kMagenta) << id;
        DeleteObject(bmp);
    }
}

TEST(ArtResources, IconHasThreeSizes) {
    for (int size : {16, 32, 48}) {
        auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128),
                                                  IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectW(info.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        EXPECT_EQ(bm.bmHeight, size);
        // drawn on red, the transparent corner stays red and the tile covers the middle
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP canvas = CreateCompatibleBitmap(screen, size, size);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, canvas);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT r{0, 0, size, size};
        FillRect(dc, &r, red);
        DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0)) << size;
        EXPECT_NE(GetPixel(dc, size / 2, size / 2), RGB(255, 0, 0)) << size;
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteObject(red);
        DeleteDC(dc);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128)), nullptr);
}

// The device lists fill their image list exactly so: 20 x 24 images, masked by magenta.
TEST(ArtResources, ImageListGetsSixMaskedImages) {
    HIMAGELIST list = ImageList_Create(20, 24, ILC_COLOR24 | ILC_MASK, 1, 1);
    ASSERT_NE(list, nullptr);
    HBITMAP strip = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(169));
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(ImageList_AddMasked(list, strip, kMagenta), 0);
    DeleteObject(strip);
    EXPECT_EQ(ImageList_GetImageCount(list), 6);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 20, 24);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, canvas);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    for (int i = 0; i < 6; ++i) {
        RECT r{0, 0, 20, 24};
        FillRect(dc, &r, white);
        ASSERT_TRUE(ImageList_Draw(list, i, dc, 0, 0, ILD_TRANSPARENT));
        // corners show the list's background, the middle shows the picture
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255)) << i;
        EXPECT_EQ(GetPixel(dc, 19, 23), RGB(255, 255, 255)) << i;
        int drawn = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 20; ++x)
                drawn += GetPixel(dc, x, y) != RGB(255, 255, 255);
        EXPECT_GT(drawn, 60) << "image " << i;
    }
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    ImageList_Destroy(list);
}

// --- the clip ------------------------------------------------------------------------

// A parent that answers the animation control's colour request as the detect-cable page
// does, with a brush of its choice.
HBRUSH g_parentBrush;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CTLCOLORSTATIC) {
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(g_parentBrush);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

class ArtClip : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_ANIMATE_CLASS};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ArtClipParent";
        RegisterClassW(&wc);
        m_parent = CreateWindowExW(0, L"ArtClipParent", L"clip", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                   0, 0, 400, 400, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(m_parent, nullptr);
    }
    void TearDown() override {
        if (m_anim)
            DestroyWindow(m_anim);
        DestroyWindow(m_parent);
        if (g_parentBrush)
            DeleteObject(g_parentBrush);
        g_parentBrush = nullptr;
    }
    // The page's control: visible, tab stop, transparent background, plays once opened.
    BOOL Open(COLORREF back) {
        g_parentBrush = CreateSolidBrush(back);
        m_anim = CreateWindowExW(
            0, ANIMATE_CLASSW, L"",
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ACS_TRANSPARENT | ACS_AUTOPLAY, 10, 10, 120, 108,
            m_parent, reinterpret_cast<HMENU>(1022), GetModuleHandleW(nullptr), nullptr);
        if (!m_anim)
            return FALSE;
        std::wstring clip = WinPath(HITCHED_ART_DIR, L"detectphone.pgr");
        return Animate_Open(m_anim, clip.c_str());
    }
    // Draws one frame and paints it into a bitmap of the clip's size.
    HBITMAP Render(int frame) {
        Animate_Seek(m_anim, frame);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 180, 176);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bmp);
        SendMessageW(m_anim, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        SelectObject(dc, old);
        DeleteDC(dc);
        return bmp;
    }
    std::vector<COLORREF> Pixels(HBITMAP bmp) {
        std::vector<COLORREF> px;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bmp);
        for (int y = 0; y < 176; ++y)
            for (int x = 0; x < 180; ++x)
                px.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteDC(dc);
        return px;
    }
    std::vector<COLORREF> Expected(int frame) {
        wchar_t name[32];
        wsprintfW(name, L"clip\\frame_%02d.bmp", frame);
        std::wstring path = WinPath(HITCHED_ART_DIR, name);
        auto bmp = static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                   LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        EXPECT_NE(bmp, nullptr) << frame;
        std::vector<COLORREF> px = Pixels(bmp);
        DeleteObject(bmp);
        return px;
    }

    HWND m_parent = nullptr;
    HWND m_anim = nullptr;
};

TEST_F(ArtClip, OpensPlaysAndTakesItsSize) {
    ASSERT_TRUE(Open(kAnimBack));
    RECT r{};
    GetWindowRect(m_anim, &r);
    EXPECT_EQ(r.right - r.left, 180);
    EXPECT_EQ(r.bottom - r.top, 176);
    // playing already (auto play): a second play request is accepted, stop ends it
    EXPECT_TRUE(Animate_Play(m_anim, 0, -1, -1));
    EXPECT_TRUE(Animate_Stop(m_anim));
    // the whole range, once
    EXPECT_TRUE(Animate_Play(m_anim, 0, -1, 1));
    Animate_Stop(m_anim);
}

TEST_F(ArtClip, EveryFrameRendersAsGenerated) {
    ASSERT_TRUE(Open(kAnimBack));
    Animate_Stop(m_anim);
    for (int frame = 0; frame < 16; ++frame) {
        HBITMAP shot = Render(frame);
        std::vector<COLORREF> got = Pixels(shot), want = Expected(frame);
        DeleteObject(shot);
        ASSERT_EQ(got.size(), want.size());
        int wrong = 0;
        for (size_t i = 0; i < got.size(); ++i)
            wrong += got[i] != want[i];
        EXPECT_EQ(wrong, 0) << "frame " << frame;
    }
    // the clip has 16 frames: frame 16 does not exist
    EXPECT_FALSE(Animate_Seek(m_anim, 16));
}

TEST_F(ArtClip, OnlyTheBackgroundTakesTheParentsColour) {
    const COLORREF red = RGB(255, 0, 0);
    ASSERT_TRUE(Open(red));
    Animate_Stop(m_anim);
    for (int frame : {0, 12}) {
        HBITMAP shot = Render(frame);
        std::vector<COLORREF> got = Pixels(shot), want = Expected(frame);
        DeleteObject(shot);
        int background = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            if (want[i] == kAnimBack) {
                EXPECT_EQ(got[i], red) << "pixel " << i;
                ++background;
            } else {
                EXPECT_EQ(got[i], want[i]) << "pixel " << i;
            }
            if (HasFailure())
                return;
        }
        EXPECT_GT(background, 180 * 176 / 2) << "most of the clip is background";
    }
}

// --- help -------------------------------------------------------------------------------

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

TEST(ArtHelp, HtmlHelpOpensTheCompiledFile) {
    HMODULE hh = LoadLibraryW(L"hhctrl.ocx");
    ASSERT_NE(hh, nullptr);
    auto fn = reinterpret_cast<HtmlHelpFn>(
        reinterpret_cast<void*>(GetProcAddress(hh, MAKEINTRESOURCEA(15))));
    ASSERT_NE(fn, nullptr);
    std::wstring url = WinPath(HITCHED_HELP_PATH) + L"::/usb_cable.htm";
    HWND help = fn(GetDesktopWindow(), url.c_str(), 0 /* HH_DISPLAY_TOPIC */, 0);
    ASSERT_NE(help, nullptr);
    wchar_t title[128] = L"";
    GetWindowTextW(help, title, 128);
    EXPECT_STREQ(title, L"Hitched Help");
    fn(nullptr, nullptr, 0x12 /* HH_CLOSE_ALL */, 0);
    // and a file that is not there opens nothing
    std::wstring missing = WinPath(HITCHED_HELP_PATH) + L".missing::/usb_cable.htm";
    EXPECT_EQ(fn(GetDesktopWindow(), missing.c_str(), 0, 0), nullptr);
    fn(nullptr, nullptr, 0x12, 0);
}

const CLSID kClsidITStorage = {
    0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kIidITStorage = {
    0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

TEST(ArtHelp, EveryTopicReadsBackIntact) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IITStorage* its = nullptr;
    ASSERT_EQ(CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage,
                               reinterpret_cast<void**>(&its)),
              S_OK);
    IStorage* chm = nullptr;
    std::wstring path = WinPath(HITCHED_HELP_PATH);
    ASSERT_EQ(its->StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr,
                                  0, &chm),
              S_OK);
    for (const char* topic : {"welcome.htm", "connection_type.htm", "usb_cable.htm", "infrared.htm",
                              "bluetooth.htm", "bluetooth_pairing.htm", "connected_phones.htm"}) {
        std::wstring name(topic, topic + strlen(topic));
        IStream* s = nullptr;
        ASSERT_EQ(chm->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &s),
                  S_OK)
            << topic;
        std::string got;
        char buf[4096];
        ULONG n = 0;
        while (SUCCEEDED(s->Read(buf, sizeof buf, &n)) && n > 0)
            got.append(buf, n);
        s->Release();
        EXPECT_EQ(got, ReadHostFile(std::string(HITCHED_HELP_SRC) + "/" + topic)) << topic;
    }
    IStream* none = nullptr;
    EXPECT_NE(chm->OpenStream(L"nothere.htm", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &none),
              S_OK);
    chm->Release();
    its->Release();
    CoUninitialize();
}

} // namespace
