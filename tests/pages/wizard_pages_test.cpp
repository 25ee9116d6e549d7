// The wizard's pages inside the test process, on the program's own templates and artwork, with
// the key language file: each control shows the key it is given.
#include "app/module_file.h"
#include "pages/bt_pairing_page.h"
#include "pages/bt_search_page.h"
#include "pages/completed_page.h"
#include "pages/detect_cable_page.h"
#include "pages/select_type_page.h"
#include "pages/welcome_page.h"
#include "res/resource.h"

#include "../app/dist_dir.h"
#include "../support/page_host.h"
#include "../support/phone_records.h"
#include "../support/pixels.h"
#include "../ui/message_pump.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

using namespace hitched::test;
using WizardPagesTest = PageHost;

namespace {

struct PageCase {
    std::function<std::unique_ptr<CDialog>()> make;
    UINT templateId;
    UINT background;
    int list;                // the list with the program's list images, or 0
    std::vector<UINT> texts; // control and string id, in pairs
};

template <typename Page>
PageCase On(UINT templateId, UINT background, int list, std::vector<UINT> texts) {
    return {[] { return std::unique_ptr<CDialog>(new Page); }, templateId, background, list, texts};
}

const PageCase kPages[] = {
    On<CWelComeDlg>(IDD_WELCOME, IDB_WELCOME_BACKGROUND, 0,
                    {IDC_PAGE_TITLE, IDS_STRING_WELCOME_WIZARD, IDC_PAGE_TEXT,
                     IDS_STRING_WELCOME_STATEMENT, IDC_PAGE_TEXT2, IDS_STRING_WELCOME_STATEMENT2,
                     IDC_WELCOME_DONOTSHOW, IDS_STRING_WELCOME_DONOTSHOW_AGAIN}),
    On<CSelectMediaTypeDlg>(IDD_SELECT_TYPE, IDB_PAGE_BACKGROUND, 0,
                            {IDC_PAGE_TITLE, IDS_STRING_SELECTTYPE, IDC_PAGE_TEXT,
                             IDS_STRING_STATEMENT, IDC_PAGE_TEXT2, IDS_STRING_STATEMENT2,
                             IDC_RADIO_CABLE, IDS_STRING_CAPEL, IDC_RADIO_INFRARED,
                             IDS_STRING_INFRARED, IDC_RADIO_BLUETOOTH, IDS_STRING_BLUETOOTH}),
    On<CDetectCablePhnoeDlg>(
        IDD_DETECT_CABLE, IDB_PAGE_BACKGROUND, 0,
        {IDC_PAGE_TITLE, IDS_STRING_DETECT, IDC_PAGE_TEXT, IDS_STRING_DETECT_CABLE_STATEMENT}),
    On<CConnectCompletedDlg>(IDD_CONNECT_COMPLETED, IDB_PAGE_BACKGROUND, IDC_PHONE_LIST,
                             {IDC_PAGE_TITLE, IDS_STRING_CONNECT_COMPLETE, IDC_PAGE_TEXT,
                              IDS_STRING_CONNECT_COMPLETE_STATEMENT, IDC_COMPLETED_TEXT2,
                              IDS_STRING_CONNECT_COMPLETE_STATEMENT2}),
    On<CBluetoothDetectDlg>(IDD_BT_SEARCH, IDB_PAGE_BACKGROUND, IDC_BT_DEVICE_LIST,
                            {IDC_PAGE_TITLE, IDS_STRING_BLUETOOTH_SEARCHANDSELECT, IDC_PAGE_TEXT,
                             IDS_STRING_BLUETOOTH_SEARCHED_DEVICE, IDC_PAGE_TEXT2,
                             IDS_STRING_BLUETOOTH_STATEMENT, IDC_BT_SEARCH_MORE,
                             IDS_STRING_BLUETOOTH_SEARCHFORMAOR, IDC_BT_UNPAIR,
                             IDS_STRING_BLUETOOTH_UNPAIR}),
    On<CBluetoothPairringDlg>(IDD_BT_PAIRING, IDB_PAGE_BACKGROUND, 0,
                              {IDC_PAGE_TITLE, IDS_STRING_BLUETOOTH_VERIFY_PHONE, IDC_PAGE_TEXT,
                               IDS_STRING_BLUETOOTH_VERIFY_PHONE_TIPS, IDC_BT_PASSCODE_LABEL,
                               IDS_STRING_BLUETOOTH_PASSCODE, IDC_BT_PASSCODE_TIPS,
                               IDS_STRING_BLUETOOTH_PASSCODE_TIPS, IDC_BT_PHONENAME_LABEL,
                               IDS_STRING_BLUETOOTH_PHONENAME, IDC_BT_NEXT_TIPS,
                               IDS_STRING_BLUETOOTH_NEXT_TIPS}),
};

} // namespace

TEST_F(WizardPagesTest, EveryPageShowsItsKeysOverItsSkinStretchedToAnySizeAndItsListImages) {
    const Pixels strip = Resource(IDB_LIST_IMAGES);
    const POINT solid{10, 12}; // inside the first image; its corners are transparent
    ASSERT_NE(strip.At(solid.x, solid.y), RGB(255, 0, 255));
    for (const PageCase& c : kPages) {
        SCOPED_TRACE(c.templateId);
        std::unique_ptr<CDialog> page = c.make();
        ASSERT_TRUE(page->Create(c.templateId, &m_parent));
        EXPECT_FALSE(page->IsWindowVisible()) << "the frame shows the page";
        for (size_t i = 0; i < c.texts.size(); i += 2) {
            EXPECT_EQ(page->GetDlgItemText(c.texts[i]), KeyText(c.texts[i + 1])) << c.texts[i];
        }
        EXPECT_NE(::SendDlgItemMessageW(page->m_hWnd, IDC_PAGE_TITLE, WM_GETFONT, 0, 0),
                  ::SendDlgItemMessageW(page->m_hWnd, IDC_PAGE_TEXT, WM_GETFONT, 0, 0));
        // Texts are drawn transparently over the skin.
        HDC hDC = ::CreateCompatibleDC(nullptr);
        EXPECT_EQ(page->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC),
                                    reinterpret_cast<LPARAM>(page->GetDlgItem(IDC_PAGE_TEXT))),
                  reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH)));
        EXPECT_EQ(::GetBkMode(hDC), TRANSPARENT);
        ::DeleteDC(hDC);
        // The page paints nothing but its skin, stretched over all of it.
        for (SIZE size : {SIZE{321, 175}, SIZE{900, 620}}) {
            ::SetWindowPos(page->m_hWnd, nullptr, 0, 0, size.cx, size.cy,
                           SWP_NOZORDER | SWP_NOMOVE);
            const Pixels skin = Print(page->m_hWnd, WM_PRINT, PRF_CLIENT | PRF_ERASEBKGND);
            EXPECT_TRUE(skin == Resource(c.background, skin.width, skin.height)) << skin.width;
        }
        if (c.templateId == IDD_BT_PAIRING) { // the passcode: sixteen typed characters at most
            HWND hEdit = page->GetDlgItem(IDC_BT_PASSCODE);
            ::SetFocus(hEdit);
            for (int i = 0; i < 17; ++i) { // typed keys: WM_SETTEXT is not held to the limit
                ::SendMessageW(hEdit, WM_CHAR, L'0' + i % 10, 0);
            }
            EXPECT_EQ(page->GetDlgItemText(IDC_BT_PASSCODE), L"0123456789012345");
        }
        const auto images = reinterpret_cast<HIMAGELIST>(
            ::SendMessageW(page->GetDlgItem(c.list), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        if (c.list != 0) { // six masked images
            EXPECT_EQ(::ImageList_GetImageCount(images), 6);
            const Pixels drawn = Render(
                20, 24, [&](HDC hDC) { ::ImageList_Draw(images, 0, hDC, 0, 0, ILD_TRANSPARENT); });
            EXPECT_EQ(drawn.At(0, 0), RGB(0x12, 0x34, 0x56)) << "shows through";
            EXPECT_EQ(drawn.At(solid.x, solid.y), strip.At(solid.x, solid.y));
        }
        // The windows go first when the frame is torn down; a list must not take its image
        // list with it, or the page would release it twice.
        page->DestroyWindow();
        EXPECT_EQ(::ImageList_GetImageCount(images), c.list != 0 ? 6 : 0);
    }
}

TEST_F(WizardPagesTest, WelcomePageShowsAgainUnlessTheBoxIsExactlyChecked) {
    CWelComeDlg page;
    ASSERT_TRUE(page.Create(IDD_WELCOME, &m_parent));
    HWND hBox = page.GetDlgItem(IDC_WELCOME_DONOTSHOW);
    for (BOOL showAgain : {TRUE, FALSE, TRUE}) { // clicks, as the user checks and unchecks it
        EXPECT_EQ(page.IsShowAgain(), showAgain);
        ::SendMessageW(hBox, BM_CLICK, 0, 0);
    }
    // As a three-state box it can hold "indeterminate", which does not count as checked.
    ::SendMessageW(hBox, BM_SETSTYLE, BS_AUTO3STATE, FALSE);
    ::SendMessageW(hBox, BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_TRUE(page.IsShowAgain());
}

TEST_F(WizardPagesTest, SelectedTypeIsTheFirstCheckedRadioButtonAndTheCableByDefault) {
    CSelectMediaTypeDlg page;
    ASSERT_TRUE(page.Create(IDD_SELECT_TYPE, &m_parent));
    HWND radios[] = {page.GetDlgItem(IDC_RADIO_CABLE), page.GetDlgItem(IDC_RADIO_INFRARED),
                     page.GetDlgItem(IDC_RADIO_BLUETOOTH)};
    EXPECT_EQ(page.GetSelectedType(), 0) << "preselected";
    // Plain radio buttons do not clear each other; a radio button that is gone is not checked.
    const int cases[][4] = {{0, 0, 0, 0}, {0, 1, 1, 1}, {1, 1, 1, 0}, {0, 0, 1, 2}}; // and type
    for (const auto& c : cases) {
        for (int i = 0; i < 3; ++i) {
            ::SendMessageW(radios[i], BM_SETSTYLE, BS_RADIOBUTTON, FALSE);
            ::SendMessageW(radios[i], BM_SETCHECK, c[i], 0);
        }
        EXPECT_EQ(page.GetSelectedType(), c[3]);
    }
    ::DestroyWindow(radios[2]);
    EXPECT_EQ(page.GetSelectedType(), 0);
}

TEST_F(WizardPagesTest, DetectPagePlaysTheClipBesideTheProgramOverItsOwnColour) {
    const std::wstring clip = CDetectCablePhnoeDlg::ClipPath();
    const std::wstring folder = hitched::ModuleDirectoryWithBackslash();
    ASSERT_EQ(clip.find(folder), 0u) << "beside the program";
    ASSERT_NE(::CompareStringOrdinal(folder.c_str(), -1, DistDir().c_str(), -1, TRUE), CSTR_EQUAL)
        << "the install layout's own clip would go";
    ASSERT_TRUE(::CopyFileW((DistDir() + L"detectphone.pgr").c_str(), clip.c_str(), FALSE));
    CDetectCablePhnoeDlg page;
    ASSERT_TRUE(page.Create(IDD_DETECT_CABLE, &m_parent));
    HWND hClip = page.GetDlgItem(IDC_DETECT_ANIMATION);
    for (int showing = 0; showing < 2; ++showing) { // hiding and showing leaves it running
        page.ShowWindow(SW_HIDE);
        page.ShowWindow(SW_SHOW);
        PumpFor(100);
        const Pixels before = Print(hClip);
        PumpFor(500);
        EXPECT_FALSE(Print(hClip) == before);
    }
    // The control paints the clip's background with the brush the page answers; a brush made
    // after the clip opened leaves the dialog's grey there for good.
    EXPECT_GT(Print(hClip).Count(RGB(204, 221, 242)), 0);
    ::DeleteFileW(clip.c_str());
}

namespace {

using Row = std::tuple<std::wstring, std::wstring, int>; // name, label, image

std::vector<Row> Rows(CConnectCompletedDlg& page) {
    std::vector<Row> rows;
    for (int i = 0; i < page.m_list.GetItemCount(); ++i) {
        rows.emplace_back(page.m_list.GetItemText(i, 0), page.m_list.GetItemText(i, 1),
                          page.m_list.GetItemImage(i, 0));
    }
    return rows;
}

const std::vector<_CONNECTEDPHONE_T> kPhones = {MakeConnectedPhone(u"Ostra K300", u"COM5", 1),
                                                MakeConnectedPhone(u"K500", u"COM6", 2)};
const std::vector<Row> kRows = {{L"Ostra K300", KeyText(IDS_STRING_COMPLIST_USB), 0},
                                {L"Ostra K500", KeyText(IDS_STRING_COMPLIST_BT), 0}};

} // namespace

TEST_F(WizardPagesTest, CompletedPageListsOneRowPerRecordOfEachFillingFromAnyThread) {
    CConnectCompletedDlg page;
    ASSERT_TRUE(page.Create(IDD_CONNECT_COMPLETED, &m_parent));
    EXPECT_TRUE(Rows(page).empty()) << "the page starts empty";
    std::atomic<bool> done{false};
    std::thread worker([&] {
        page.FillConnectedPhones(kPhones.data(), 2);
        done = true;
    });
    // The list's messages run on this thread, so it keeps pumping while the worker waits.
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_EQ(Rows(page), kRows);

    // Records back to back, one byte into the buffer; fields without a terminator end with
    // their field.
    _CONNECTEDPHONE_T full = kPhones[0];
    std::fill(std::begin(full.tszPhoneName), std::end(full.tszPhoneName), u'P');
    std::fill(std::begin(full.tszManufacturer), std::end(full.tszManufacturer), u'M');
    std::vector<unsigned char> block(1 + 2 * sizeof(full));
    std::memcpy(block.data() + 1, &kPhones[1], sizeof(full));
    std::memcpy(block.data() + 1 + sizeof(full), &full, sizeof(full));
    page.FillConnectedPhones(block.data() + 1, 2);
    const std::vector<Row> two = {
        kRows[1],
        {std::wstring(128, L'M') + L" " + std::wstring(128, L'P'), std::get<1>(kRows[0]), 0}};
    EXPECT_EQ(Rows(page), two);

    page.FillConnectedPhones(nullptr, 3);
    EXPECT_EQ(Rows(page), two) << "a null block changes nothing";
    page.FillConnectedPhones(kPhones.data(), 0);
    EXPECT_TRUE(Rows(page).empty()) << "an empty list empties it";
    page.FillConnectedPhones(kPhones.data(), 2);
    page.FillConnectedPhones(kPhones.data(), -1);
    EXPECT_TRUE(Rows(page).empty());
}
