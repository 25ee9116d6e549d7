// The frame's Bluetooth steps inside the test process over a scripted Bluetooth library, for
// what the Bluetooth wizard's end-to-end test cannot see: the progress, the rows' own copies,
// a failed confirmation on the pairing page, a refused unpairing and the pauses.
#include "pages/bt_pairing_page.h"
#include "pages/bt_search_page.h"
#include "res/resource.h"
#include "ui/win_app.h"
#include "wizard/hitch_dlg.h"
#include "wizard/wizard_prompts.h"

#include "../support/installed_language_file.h"
#include "../ui/message_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

using hitched::test::KeyText;

// Three devices: a phone, and two without a name of which the second is paired.
class ScriptedRadio : public CBluetoothDetectObj {
public:
    ScriptedRadio() {
        for (uint64_t address : {0x0019b7a1c2d3ull, 0x0019b7a1c2d4ull, 0x0019b7a1c2d5ull}) {
            _KV_BLUETOOTH_DEVICE_INFO_STRUCT& d = devices.emplace_back();
            d.Address = address;
        }
        std::u16string(u"Ostra B1").copy(devices[0].szName, 8);
        devices[2].fAuthenticated = 1;
    }
    ~ScriptedRadio() override = default;
    uint32_t StartDetect() override { return ++starts, startResult; }
    uint32_t StopDetect() override { return ++stops, 0; }
    uint32_t TestState() override { return 1; }
    uint32_t GetType() override { return 0; }
    uint32_t GetDeviceCount(int* count) override {
        *count = static_cast<int>(devices.size());
        return 0;
    }
    uint32_t GetDeviceInfo(int index, _KV_BLUETOOTH_DEVICE_INFO_STRUCT** info) override {
        *info = &devices[static_cast<std::size_t>(index)];
        return 0;
    }
    uint32_t RemoveDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT*) override { return removeResult; }
    uint32_t AuthenticateDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT*, char16_t*, uint32_t) override {
        return 1; // the wizard pairs through PairDevice
    }
    // An older phone: the stack asks for a PIN and waits for the answer on the worker.
    uint32_t PairDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT*, CBtPairingPrompt* prompt) override {
        std::unique_lock<std::mutex> lock(m_answerLock);
        const std::size_t before = passkeys.size();
        lock.unlock();
        prompt->OnPairingRequest({KVBT_PAIR_LEGACY, 0});
        lock.lock();
        m_answered.wait_for(lock, std::chrono::seconds(10),
                            [&] { return passkeys.size() > before; });
        return passkeys.size() == before || passkeys.back().empty() ? 1223
               : passkeys.back() == u"2468"                         ? 0
                                                                    : 1244;
    }
    uint32_t AnswerPairing(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT*, uint32_t accept,
                           const char16_t* key, uint32_t length) override {
        std::lock_guard<std::mutex> lock(m_answerLock);
        passkeys.emplace_back(accept != 0 ? std::u16string(key, length) : u"");
        m_answered.notify_all();
        return 0;
    }
    uint32_t EnableSerialService(_KV_BLUETOOTH_DEVICE_INFO_STRUCT*) override { return 0; }
    uint32_t GetSerialPort(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT*, int* port) override {
        *port = 7;
        return 0;
    }
    std::mutex m_answerLock;
    std::condition_variable m_answered;
    std::vector<_KV_BLUETOOTH_DEVICE_INFO_STRUCT> devices;
    std::atomic<int> starts{0}, stops{0};
    uint32_t startResult = 0, removeResult = 5;
    std::vector<std::u16string> passkeys;
};

// Message boxes and pauses, recorded instead of shown.
struct PromptRecorder : CWizardPrompts {
    PromptRecorder() { ReplaceProcess(this); }
    ~PromptRecorder() override { ReplaceProcess(nullptr); }
    int MessageBox(HWND, const std::wstring& text, const std::wstring& caption,
                   UINT type) override {
        EXPECT_EQ(caption, KeyText(AFX_IDS_APP_TITLE));
        boxes.push_back(text + L"/" + std::to_wstring(type));
        return IDOK;
    }
    void Pause(DWORD ms) override { pauses.push_back(ms); }
    std::vector<std::wstring> boxes;
    std::vector<DWORD> pauses;
};

std::wstring Box(UINT text, UINT type) {
    return KeyText(text) + L"/" + std::to_wstring(type);
}

class BtFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_app.m_pMainWnd = &m_dlg;
        ASSERT_TRUE(m_dlg.Create(IDD_HITCHED_DIALOG, nullptr));
        m_dlg.m_pBtDetect = &m_radio;
    }
    void TearDown() override {
        m_dlg.m_pBtDetect = nullptr;
        m_app.m_pMainWnd = nullptr;
        ::DeleteFileW(m_dlg.m_strDataFile.c_str());
    }
    CListCtrl& List() { return m_dlg.m_pBtSearchPage->DeviceList(); }
    int Progress() {
        return int(::SendMessageW(m_dlg.m_pBtSearchPage->ProgressBar(), PBM_GETPOS, 0, 0));
    }
    bool Enabled(CWnd* page, int id) { return ::IsWindowEnabled(page->GetDlgItem(id)) != 0; }
    void Timer(UINT_PTR id) { ::SendMessageW(m_dlg.m_hWnd, WM_TIMER, id, 0); }
    void Next() {
        ::SendMessageW(m_dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_NEXT, BN_CLICKED), 0);
    }
    // Shows page 3 and ends its search at once, as timer 101 would after 30 s.
    void SearchAndList() {
        m_dlg.ShowPage(PAGE_BT_SEARCH);
        Timer(CHitchDlg::kTimerBtSearchEnd);
    }
    const _BTDEVICEENTRY_T& RowEntry(int row) {
        return *reinterpret_cast<const _BTDEVICEENTRY_T*>(List().GetItemData(row));
    }

    PromptRecorder m_prompts;
    hitched::test::InstalledLanguageFile m_language;
    ScriptedRadio m_radio; // outlives the frame, whose monitor may ask it
    CWinApp m_app;
    CHitchDlg m_dlg;
};

TEST_F(BtFrameTest, ASearchRunsWithItsProgressThenListsOwnCopiesAndWarnsOnceForNamelessDevices) {
    m_dlg.ShowPage(PAGE_BT_SEARCH);
    EXPECT_EQ(m_radio.starts, 1);
    EXPECT_TRUE(m_dlg.m_bSearching);
    EXPECT_FALSE(Enabled(m_dlg.m_pBtSearchPage, IDC_BT_SEARCH_MORE));
    std::vector<int> positions;
    for (int tick = 0; tick < 3; ++tick) {
        Timer(CHitchDlg::kTimerBtSearchProgress);
        positions.push_back(Progress());
    }
    EXPECT_EQ(positions, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(m_dlg.Notify(WN_START_SEARCH, 0, nullptr), 1) << "one search at a time";

    Timer(CHitchDlg::kTimerBtSearchEnd);
    EXPECT_EQ(m_radio.stops, 1);
    EXPECT_FALSE(m_dlg.m_bSearching);
    EXPECT_TRUE(Enabled(m_dlg.m_pBtSearchPage, IDC_BT_SEARCH_MORE));
    EXPECT_EQ(Progress(), 10000);
    ASSERT_EQ(List().GetItemCount(), 3);
    EXPECT_EQ(m_prompts.boxes, std::vector<std::wstring>{
                                   Box(IDS_STRING_BLUETOOTH_NONANME_TIPS, MB_ICONEXCLAMATION)});
    _BTDEVICEENTRY_T* stored = nullptr;
    ASSERT_TRUE(m_dlg.m_mapBtDevices.Lookup(0x0019b7a1c2d5ull, stored));
    EXPECT_NE(&RowEntry(2), stored) << "the row has a copy of its own";
    EXPECT_EQ(RowEntry(2).stDeviceInfo.fAuthenticated, 1u);

    m_radio.startResult = 1167; // the radio went away: the error, and the page stays usable
    EXPECT_EQ(m_dlg.Notify(WN_START_SEARCH, 0, nullptr), 1);
    EXPECT_EQ(m_prompts.boxes.back(), Box(IDS_STRING_BT_ERROR_SEG_1, MB_ICONERROR));
    EXPECT_TRUE(Enabled(m_dlg.m_pBtSearchPage, IDC_BT_SEARCH_MORE));
    EXPECT_FALSE(m_dlg.m_bSearching);
}

TEST_F(BtFrameTest, PairedOnPageSixButNoPhoneAnswersTheRowKeepsThePairingAndItsOwnErrorShows) {
    using View = CBluetoothPairringDlg::View;
    SearchAndList();
    m_prompts.boxes.clear();
    List().Select(0);
    Next(); // the pairing starts on a worker; the stack asks for a PIN
    ASSERT_EQ(m_dlg.m_nCurPage, PAGE_BT_PAIRING);
    EXPECT_EQ(m_dlg.m_pBtPairingPage->GetDlgItemText(IDC_BT_PAIR_PHONENAME), L"Ostra B1");
    auto view = [&] { return m_dlg.m_pBtPairingPage->CurrentView(); };
    ASSERT_TRUE(hitched::test::PumpUntil([&] { return view() == View::Legacy; }));
    EXPECT_FALSE(::IsWindowEnabled(m_dlg.m_btnPrevious.m_hWnd)) << "no going back meanwhile";
    m_dlg.m_pBtPairingPage->SetDlgItemText(IDC_BT_PASSCODE, L"2468");
    Next(); // paired, but no phone answers over its port here (no port service phones)
    ASSERT_TRUE(hitched::test::PumpUntil([&] { return !m_prompts.boxes.empty(); }, 10000));
    EXPECT_EQ(m_radio.passkeys, std::vector<std::u16string>{u"2468"});
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_BT_PAIRING);
    EXPECT_EQ(m_prompts.boxes,
              std::vector<std::wstring>{Box(IDS_STRING_BLUETOOTH_ERR_NOT_PHONE, MB_ICONERROR)});
    EXPECT_EQ(view(), View::Retry);
    EXPECT_EQ(::GetFocus(), m_dlg.m_btnNext.m_hWnd) << "Next tries again";
    EXPECT_TRUE(::IsWindowEnabled(m_dlg.m_btnNext.m_hWnd));
    EXPECT_EQ(RowEntry(0).stDeviceInfo.fAuthenticated, 1u) << "the row learns the pairing";
    EXPECT_EQ(RowEntry(0).bConnected, 0u);
    _BTDEVICEENTRY_T* stored = nullptr;
    ASSERT_TRUE(m_dlg.m_mapBtDevices.Lookup(0x0019b7a1c2d3ull, stored));
    EXPECT_EQ(stored->bConnected, 0u);

    // Cancel at the question refuses it and ends the attempt without a message.
    m_prompts.boxes.clear();
    Next();
    ASSERT_TRUE(hitched::test::PumpUntil([&] { return view() == View::Legacy; }));
    ::SendMessageW(m_dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_CANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(hitched::test::PumpUntil([&] { return view() == View::Retry; }));
    EXPECT_TRUE(m_prompts.boxes.empty());
    EXPECT_EQ(m_radio.passkeys, (std::vector<std::u16string>{u"2468", u""})) << "refused";
    EXPECT_EQ(m_dlg.m_nCurPage, PAGE_BT_PAIRING) << "Cancel ended the attempt, not the wizard";
}

TEST_F(BtFrameTest, ARefusedUnpairingLeavesTheRowAndTheTableAndEveryAttemptPauses) {
    SearchAndList();
    List().Select(2); // the paired nameless device, as "cancel paired" passes it on
    void* entry = reinterpret_cast<void*>(List().GetItemData(2));
    EXPECT_EQ(m_dlg.Notify(WN_REMOVE_DEVICE, 0, entry), 5);
    EXPECT_EQ(List().GetItemImage(2, 2), 2) << "refused: the row as it was";
    EXPECT_EQ(RowEntry(2).stDeviceInfo.fAuthenticated, 1u);
    _BTDEVICEENTRY_T* stored = nullptr;
    ASSERT_TRUE(m_dlg.m_mapBtDevices.Lookup(0x0019b7a1c2d5ull, stored));
    EXPECT_EQ(stored->stDeviceInfo.fAuthenticated, 1u);
    m_dlg.m_pBtDetect = nullptr;
    EXPECT_EQ(m_dlg.RemovePairing(nullptr), 0);
    EXPECT_EQ(m_prompts.pauses, (std::vector<DWORD>{2000, 2000}));
}

} // namespace
