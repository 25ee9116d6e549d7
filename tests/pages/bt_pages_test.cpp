// The two Bluetooth pages inside the test process, met as a user meets them (mouse clicks on
// the device list, keys in the passcode field) with a recording frame behind them.
#include "contracts/bt_device_info.h"
#include "pages/bt_pairing_page.h"
#include "pages/bt_search_page.h"
#include "res/resource.h"

#include "../support/page_host.h"

#include <string>
#include <tuple>
#include <vector>

using namespace hitched::test;

namespace {

// The frame as the pages reach it: every notification, with the page's enabled controls at
// that moment ("l" list, "s" search, "u" unpair).
struct RecordingFrame : CWizardNotify {
    int Notify(int nCode, int nParam, void* pData) override {
        std::string enabled;
        if (page != nullptr) {
            for (auto [id, tag] : {std::pair{IDC_BT_DEVICE_LIST, 'l'},
                                   {IDC_BT_SEARCH_MORE, 's'},
                                   {IDC_BT_UNPAIR, 'u'}}) {
                enabled += ::IsWindowEnabled(page->GetDlgItem(id)) ? std::string(1, tag) : "";
            }
        }
        calls.emplace_back(nCode, nParam, pData, enabled);
        return 0;
    }
    CWnd* page = nullptr;
    std::vector<std::tuple<int, int, void*, std::string>> calls;
};

using BtPagesTest = PageHost;

// A left click as the mouse gives it, on a row or (row -1) below the last one.
void ClickRow(CListCtrl& list, int row) {
    RECT rect{LVIR_LABEL, 0, 0, 0};
    POINT at{10, 200};
    if (row >= 0 &&
        ::SendMessageW(list.m_hWnd, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect))) {
        at = {rect.left + 5, (rect.top + rect.bottom) / 2};
    }
    ::SendMessageW(list.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    ::SendMessageW(list.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

TEST_F(BtPagesTest, AClickedOrKeyedDeviceShowsItsStatusAndAnEmptyClickOnlyDisablesNext) {
    CBluetoothDetectDlg page;
    ASSERT_TRUE(page.Create(IDD_BT_SEARCH, &m_parent));
    page.ShowWindow(SW_SHOW);
    RecordingFrame frame;
    frame.page = &page;
    page.SetNotifySink(&frame);
    _BTDEVICEENTRY_T connected{}, paired{}, found{};
    connected.bConnected = 1;
    connected.stDeviceInfo.fAuthenticated = 1;
    paired.stDeviceInfo.fAuthenticated = 1;
    CListCtrl& list = page.DeviceList();
    for (auto* entry : {&connected, &paired, &found, static_cast<_BTDEVICEENTRY_T*>(nullptr)}) {
        const int row = list.InsertItem(list.GetItemCount(), L"device", 0);
        list.SetItemData(row, reinterpret_cast<LPARAM>(entry));
    }
    const std::wstring tips = L"\r\n\r\n" + KeyText(IDS_STRING_BLUETOOTH_NEXT_TIPS);
    const std::wstring toUse = KeyText(IDS_STRING_BLUETOOTH_READY_TOUSED) + tips;
    const std::wstring toConnect = KeyText(IDS_STRING_BLUETOOTH_READY_NEEDCONN) + tips;
    const std::wstring toPair = KeyText(IDS_STRING_BLUETOOTH_READY_NEEDCONN_AUTH) + tips;
    const struct {
        UINT key; // 0: a click on `row`
        int row;
        std::wstring status; // empty: the one before stays
        bool unpair;
        bool next;
    } steps[] = {
        {0, 0, toUse, true, true},         {VK_DOWN, 0, toConnect, true, true},
        {VK_DOWN, 0, toPair, false, true}, {VK_UP, 0, toConnect, true, true},
        {0, 1, toConnect, true, true},     {0, 2, toPair, false, true},
        {0, 0, toUse, true, true},         {0, 3, L"", false, true}, // a row without an entry
        {0, -1, L"", false, false}, // below the rows: nothing selected
    };
    std::wstring shown = page.GetDlgItemText(IDC_BT_STATUS);
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.key) + " or click " + std::to_string(step.row));
        frame.calls.clear();
        if (step.key != 0) {
            ::SendMessageW(list.m_hWnd, WM_KEYDOWN, step.key, 0);
        } else {
            ClickRow(list, step.row);
        }
        shown = step.status.empty() ? shown : step.status;
        EXPECT_EQ(page.GetDlgItemText(IDC_BT_STATUS), shown);
        EXPECT_EQ(::IsWindowEnabled(page.GetDlgItem(IDC_BT_UNPAIR)) != 0, step.unpair);
        ASSERT_FALSE(frame.calls.empty());
        EXPECT_EQ(std::get<0>(frame.calls.back()), WN_SET_BUTTONS);
        EXPECT_EQ(std::get<1>(frame.calls.back()), 1);
        EXPECT_EQ(std::get<2>(frame.calls.back()) != nullptr, step.next);
    }
}

TEST_F(BtPagesTest, SearchAgainAndCancelPairedReachTheFrameWithTheListAndButtonsOffMeanwhile) {
    CBluetoothDetectDlg page;
    ASSERT_TRUE(page.Create(IDD_BT_SEARCH, &m_parent));
    page.ShowWindow(SW_SHOW);
    RecordingFrame frame;
    frame.page = &page;
    _BTDEVICEENTRY_T paired{};
    paired.stDeviceInfo.fAuthenticated = 1;
    CListCtrl& list = page.DeviceList();
    list.SetItemData(list.InsertItem(0, L"phone", 0), reinterpret_cast<LPARAM>(&paired));
    ClickRow(list, 0);
    const auto press = [&](int id) { ::SendMessageW(page.GetDlgItem(id), BM_CLICK, 0, 0); };
    page.SetNotifySink(&frame);
    press(IDC_BT_UNPAIR);
    press(IDC_BT_SEARCH_MORE);
    using Call = std::tuple<int, int, void*, std::string>;
    EXPECT_EQ(frame.calls, (std::vector<Call>{{WN_REMOVE_DEVICE, 0, &paired, ""},
                                              {WN_SET_BUTTONS, 1, nullptr, "ls"},
                                              {WN_START_SEARCH, 0, nullptr, "ls"}}));
    EXPECT_FALSE(::IsWindowEnabled(page.GetDlgItem(IDC_BT_UNPAIR))) << "although still selected";
}

TEST_F(BtPagesTest, OnlyDigitsStandInThePasscodeAndNextFollowsIt) {
    CBluetoothPairringDlg page;
    ASSERT_TRUE(page.Create(IDD_BT_PAIRING, &m_parent));
    RecordingFrame frame;
    page.SetNotifySink(&frame);
    const HWND edit = page.GetDlgItem(IDC_BT_PASSCODE);
    const auto nextAfterLast = [&] {
        return !frame.calls.empty() && std::get<2>(frame.calls.back()) != nullptr;
    };
    for (wchar_t key : std::wstring(L"2468")) {
        ::SendMessageW(edit, WM_CHAR, key, 1);
        EXPECT_TRUE(nextAfterLast()) << "after " << char(key);
    }
    const struct {
        const wchar_t* pasted;
        const wchar_t* stays;
        bool next;
    } pastes[] = {
        {L"12a4", L"", false},   {L"0042", L"0042", true}, {L"99 9", L"", false},
        {L"\x0660", L"", false}, // an Arabic-Indic zero is no decimal digit here
        {L"", L"", false},
    };
    for (const auto& paste : pastes) {
        ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(paste.pasted));
        EXPECT_EQ(page.GetPasscode(), paste.stays) << paste.pasted;
        EXPECT_EQ(nextAfterLast(), paste.next) << paste.pasted;
    }
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"7"));
    ::SendMessageW(edit, EM_SETSEL, 1, 1);
    ::SendMessageW(edit, WM_CHAR, VK_BACK, 1);
    EXPECT_FALSE(nextAfterLast()) << "the last digit deleted";
}

} // namespace
