// Identification of new devices and the change flag, against a fake inquiry library, lock and
// support list.
#include "detect/device_change.h"
#include "detect/support_list.h"
#include "detect/utf16_field.h"
#include "tests/detect/detection_fakes.h"
#include "tests/detect/fake_kv_inquire_phone.h"

#include <gtest/gtest.h>

namespace hitched::test {
namespace {

class DeviceChangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeKvInquirePhone::Reset();
        support.values[{u"Ostra Mobile", u"OS-100"}] = u"os100lib, Ostra 100";
        support.values[{u"Ostra Mobile", u"OS-200"}] = u"os200lib";
    }
    void TearDown() override { FakeKvInquirePhone::Reset(); }

    void Plug(int32_t port) { fresh.AddCopy(static_cast<uint64_t>(port), CablePhone(port)); }
    std::u16string Field(uint64_t key, char16_t (_PHONEDEVICEINFO_T::*field)[64]) {
        _PHONEDEVICEINFO_T* record = nullptr;
        if (!table.Lookup(key, record)) {
            return u"<absent>";
        }
        return FieldString(record->*field);
    }

    TraceRecorder trace;
    FakePhoneLock lock;
    MapProfileReader support;
    CDeviceChangeDetector detector{lock, support};
    CDeviceMap table;
    CDeviceMap fresh;
};

TEST_F(DeviceChangeTest, SupportedPhoneEntersWithDllAndDisplayName) {
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-100", u"350000000000001"}}});
    Plug(5);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    ASSERT_EQ(table.GetCount(), 1u);
    _PHONEDEVICEINFO_T* record = nullptr;
    ASSERT_TRUE(table.Lookup(5, record));
    EXPECT_EQ(FieldString(record->tszDllName), u"os100lib.dll");
    EXPECT_EQ(FieldString(record->tszPhoneName), u"Ostra 100");
    EXPECT_EQ(FieldString(record->tszIMEI), u"350000000000001");
    // The fresh table stays as the pass built it.
    _PHONEDEVICEINFO_T* original = nullptr;
    ASSERT_TRUE(fresh.Lookup(5, original));
    EXPECT_EQ(FieldLength(original->tszManufacturer), 0u);
    // The lock is taken with the names as they stood before identification, then released.
    ASSERT_EQ(lock.acquired.size(), 1u);
    EXPECT_EQ(lock.acquired[0], u"Quellon-Ostra Hubware() - ");
    EXPECT_FALSE(lock.Held());
    EXPECT_TRUE(trace.Has(u"New devices plugged"));
    EXPECT_TRUE(trace.Has(u"connected type = 1"));
    EXPECT_TRUE(trace.Has(u"connected port = COM5"));
    EXPECT_TRUE(trace.Has(u"CHitchDlg::IsDeviceChanged(): Phone  is idle."));
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo success."));
    EXPECT_TRUE(trace.Has(u"IsDeviceChanged : bIsChanged = 1"));
    EXPECT_EQ(FakeKvInquirePhone::alive, 0);
}

TEST_F(DeviceChangeTest, SamePhonesAgainIsNoChangeAndNoInquiry) {
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-200", u"1"}}});
    Plug(5);
    ASSERT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    FakeKvInquirePhone::queries = 0;
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 0);
    EXPECT_EQ(FakeKvInquirePhone::queries, 0);
    EXPECT_EQ(FakeKvInquirePhone::alive, 0);
    EXPECT_TRUE(trace.Has(u"IsDeviceChanged : bIsChanged = 0"));
}

TEST_F(DeviceChangeTest, UnplugRemovesExactlyThatEntry) {
    AnswerPhones(
        {{5, {u"Ostra Mobile", u"OS-200", u"1"}}, {7, {u"Ostra Mobile", u"OS-200", u"2"}}});
    Plug(5);
    Plug(7);
    ASSERT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    ASSERT_EQ(table.GetCount(), 2u);
    CDeviceMap after;
    after.AddCopy(7, CablePhone(7));
    EXPECT_EQ(detector.IsDeviceChanged(table, after), 1);
    EXPECT_EQ(table.GetCount(), 1u);
    _PHONEDEVICEINFO_T* kept = nullptr;
    EXPECT_TRUE(table.Lookup(7, kept));
    EXPECT_EQ(FieldString(kept->tszIMEI), u"2"); // the identified copy, not the fresh record
    EXPECT_EQ(trace.Count(u"Some devices unplugged"), 1);
}

TEST_F(DeviceChangeTest, OccupiedPhoneIsNotProbedAndChangesNothing) {
    lock.busy.insert(u"Quellon-Ostra Hubware() - ");
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-200", u"1"}}});
    Plug(5);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 0);
    EXPECT_EQ(FakeKvInquirePhone::queries, 0);
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_TRUE(trace.Has(u"CHitchDlg::IsDeviceChanged(): Phone  is ocuupied."));
    // Retried on the next pass once the other program let go.
    lock.busy.clear();
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    EXPECT_EQ(table.GetCount(), 1u);
}

TEST_F(DeviceChangeTest, ThreeTriesWithoutPauseThenGiveUp) {
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-200", u"1", 2}}});
    Plug(5);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    EXPECT_EQ(FakeKvInquirePhone::queries, 3);
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo failed, retry..."));
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo failed, retry again..."));
    EXPECT_FALSE(trace.Has(u"HitchedPhoneInfo failed, end."));

    table.RemoveAll();
    FakeKvInquirePhone::queries = 0;
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-200", u"1", 3}}});
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 0);
    EXPECT_EQ(FakeKvInquirePhone::queries, 3);
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo failed, end."));
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_FALSE(lock.Held());
}

TEST_F(DeviceChangeTest, ForeignMakerAndUnlistedModelAreRejectedWithoutChange) {
    AnswerPhones({{5, {u"Other Maker", u"X1", u"1"}},
                  {6, {u"Ostra Mobile", u"OS-999", u"2"}},
                  {7, {u"ostra", u"OS-100", u"3"}}}); // the maker check is case-sensitive
    Plug(5);
    Plug(6);
    Plug(7);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 0);
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_EQ(trace.Count(u"not ostra phone."), 2);
    EXPECT_EQ(trace.Count(u"BroadcastDeviceChanged no dll support"), 1);
    EXPECT_EQ(lock.releases, 3);
}

TEST_F(DeviceChangeTest, RejectedBesideAcceptedStillChanges) {
    AnswerPhones({{5, {u"Other Maker", u"X1", u"1"}}, {6, {u"Ostra Mobile", u"OS-200", u"2"}}});
    Plug(5);
    Plug(6);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    EXPECT_EQ(table.GetCount(), 1u);
}

// Keys 5 and 6 sit in one bucket; the later key is at the front of the chain, so the fresh
// table yields 6 before 5. Occupying the one visited last decides the result.
TEST_F(DeviceChangeTest, OccupiedPhoneVisitedLastClearsTheFlag) {
    AnswerPhones(
        {{5, {u"Ostra Mobile", u"OS-200", u"1"}}, {6, {u"Ostra Mobile", u"OS-200", u"2"}}});
    Plug(5);
    Plug(6);
    // Busy only on the second acquire: the first device is identified, the second occupied.
    struct SecondBusy : FakePhoneLock {
        bool Acquire(const std::u16string& name) override {
            return ++calls == 2 ? false : FakePhoneLock::Acquire(name);
        }
        int calls = 0;
    } secondBusy;
    CDeviceChangeDetector detector2(secondBusy, support);
    EXPECT_EQ(detector2.IsDeviceChanged(table, fresh), 0); // the table gained one, yet 0
    ASSERT_EQ(table.GetCount(), 1u);
    _PHONEDEVICEINFO_T* entered = nullptr;
    EXPECT_TRUE(table.Lookup(6, entered)); // 6 was visited first

    // The other way round: occupied first, identified second, is a change.
    table.RemoveAll();
    struct FirstBusy : FakePhoneLock {
        bool Acquire(const std::u16string& name) override {
            return ++calls == 1 ? false : FakePhoneLock::Acquire(name);
        }
        int calls = 0;
    } firstBusy;
    CDeviceChangeDetector detector3(firstBusy, support);
    EXPECT_EQ(detector3.IsDeviceChanged(table, fresh), 1);
    EXPECT_TRUE(table.Lookup(5, entered));
}

TEST_F(DeviceChangeTest, LockPhoneReleasesThePreviousLockFirst) {
    _PHONEDEVICEINFO_T record = CablePhone(5);
    CopyField(record.tszPhoneName, u"OS-100");
    CopyField(record.tszIMEI, u"42");
    ASSERT_TRUE(detector.LockPhone(record));
    EXPECT_EQ(lock.acquired.back(), u"Quellon-Ostra Hubware(OS-100) - 42");
    ASSERT_TRUE(detector.LockPhone(record));
    EXPECT_EQ(lock.releases, 1);
    detector.ReleasePhoneLock();
    detector.ReleasePhoneLock(); // nothing held: no second release, no second log line
    EXPECT_EQ(lock.releases, 2);
    EXPECT_EQ(trace.Count(u"ReleaseMutex"), 2);
}

TEST(SupportEntryTest, DllNameRule) {
    _PHONEDEVICEINFO_T record{};
    CopyField(record.tszPhoneName, u"OS-100");
    ApplySupportEntry(record, u"  os100lib \t, ");
    EXPECT_EQ(FieldString(record.tszDllName), u"os100lib.dll");
    EXPECT_EQ(FieldString(record.tszPhoneName), u"OS-100");

    ApplySupportEntry(record, u" lib2 ");
    EXPECT_EQ(FieldString(record.tszDllName), u"lib2.dll");

    ApplySupportEntry(record, u"lib3, Ostra 3, extra");
    EXPECT_EQ(FieldString(record.tszDllName), u"lib3.dll");
    EXPECT_EQ(FieldString(record.tszPhoneName), u"Ostra 3, extra"); // only the first comma splits

    // Overlong texts stay inside their fields.
    ApplySupportEntry(record, std::u16string(200, u'a') + u"," + std::u16string(200, u'b'));
    EXPECT_EQ(FieldLength(record.tszDllName), 79u);
    EXPECT_EQ(FieldLength(record.tszPhoneName), 63u);
}

TEST(SupportEntryTest, ReadUsesManufacturerAndModelAndCutsAt511) {
    MapProfileReader reader;
    reader.values[{u"Ostra Mobile", u"OS-1"}] = std::u16string(600, u'x');
    _PHONEDEVICEINFO_T record{};
    CopyField(record.tszManufacturer, u"Ostra Mobile");
    CopyField(record.tszPhoneName, u"OS-1");
    EXPECT_EQ(ReadSupportEntry(reader, record).size(), 511u);
    CopyField(record.tszPhoneName, u"OS-2");
    EXPECT_TRUE(ReadSupportEntry(reader, record).empty());
}

} // namespace
} // namespace hitched::test
