#include "portservice/port_table.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "tests/portservice/phone_builder.h"

using namespace hitched;
using hitched::test::MakePhone;

namespace {

constexpr ClientId kAlice = 101;
constexpr ClientId kBob = 202;

std::vector<const _CONNECTEDPHONE_T*> Ptrs(const std::vector<_CONNECTEDPHONE_T>& phones) {
    std::vector<const _CONNECTEDPHONE_T*> out;
    for (const auto& p : phones) {
        out.push_back(&p);
    }
    return out;
}

void Rebuild(PortTable& table, const std::vector<_CONNECTEDPHONE_T>& phones) {
    table.Rebuild(Ptrs(phones));
}

// bUsed and sOwner change together, always.
void ExpectHoldsConsistent(const PortTable& table) {
    for (const auto& row : table.Snapshot()) {
        EXPECT_EQ(row.bUsed != 0, row.sOwner != 0);
    }
}

TEST(PortTableRequest, FirstClientGetsThePortSecondGetsUsedEvenTheHolderItself) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM5")});
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortDone);
    EXPECT_EQ(table.RequestSerialPort(kBob, u"COM5"), kPortUsed);
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortUsed);
    const auto rows = table.Snapshot();
    EXPECT_EQ(rows[0].bUsed, 1u);
    EXPECT_EQ(rows[0].sOwner, kAlice);
}

TEST(PortTableRequest, TextWithoutComIsInvalidEvenWhenARowHoldsExactlyThatText) {
    PortTable table;
    Rebuild(table, {MakePhone(u"DAV", u"USB0"), MakePhone(u"X1", u"com5")});
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"USB0"), kPortInvalid);
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"com5"), kPortInvalid); // "COM" is case-sensitive
    EXPECT_EQ(table.RequestSerialPort(kAlice, u""), kPortInvalid);
    EXPECT_EQ(table.Snapshot()[0].bUsed, 0u);
}

TEST(PortTableRequest, PortTextMustMatchExactly) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM5"), MakePhone(u"X2", u"COM15")});
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM5\r\n"), kPortInvalid);
    EXPECT_EQ(table.RequestSerialPort(kAlice, u" COM5"), kPortInvalid);
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM1"), kPortInvalid);
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM"), kPortInvalid);
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM15"), kPortDone);
    EXPECT_EQ(table.Snapshot()[0].bUsed, 0u);
    EXPECT_EQ(table.Snapshot()[1].sOwner, kAlice);
}

TEST(PortTableRequest, TheFirstRowWithThePortTextIsTheMatch) {
    PortTable table;
    Rebuild(table, {MakePhone(u"A", u"COM3"), MakePhone(u"B", u"COM3")});
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM3"), kPortDone);
    // The second row is never reached: the first one is the match and it is held.
    EXPECT_EQ(table.RequestSerialPort(kBob, u"COM3"), kPortUsed);
    EXPECT_EQ(table.Snapshot()[1].bUsed, 0u);
}

TEST(PortTableRequest, NobodyIsNotAClient) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM5")});
    EXPECT_EQ(table.RequestSerialPort(0, u"COM5"), kPortInvalid);
    EXPECT_EQ(table.Snapshot()[0].bUsed, 0u);
}

TEST(PortTableRelease, OnlyTheHolderCanRelease) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM5")});
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortDone);
    EXPECT_EQ(table.ReleaseSerialPort(kBob, u"COM5"), kPortInvalid);
    EXPECT_EQ(table.Snapshot()[0].sOwner, kAlice);
    EXPECT_EQ(table.ReleaseSerialPort(kAlice, u"COM5\r\n"), kPortInvalid);
    EXPECT_EQ(table.ReleaseSerialPort(kAlice, u"COM5"), kPortDone);
    EXPECT_EQ(table.Snapshot()[0].bUsed, 0u);
    EXPECT_EQ(table.Snapshot()[0].sOwner, 0u);
    EXPECT_EQ(table.ReleaseSerialPort(kAlice, u"COM5"), kPortInvalid); // nothing held any more
    EXPECT_EQ(table.RequestSerialPort(kBob, u"COM5"), kPortDone);
}

TEST(PortTableRelease, TextWithoutComIsInvalid) {
    PortTable table;
    Rebuild(table, {MakePhone(u"DAV", u"USB0")});
    EXPECT_EQ(table.ReleaseSerialPort(kAlice, u"USB0"), kPortInvalid);
}

TEST(PortTableRelease, ReleaseFindsTheRowThatThisClientHolds) {
    // Two rows share a port text; the release skips the first (held by Bob) for Alice's.
    PortTable table;
    auto a = MakePhone(u"A", u"COM3");
    auto b = MakePhone(u"B", u"COM4");
    Rebuild(table, {a, b});
    ASSERT_EQ(table.RequestSerialPort(kBob, u"COM3"), kPortDone);
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM4"), kPortDone);
    // Both phones move to COM3 (B keeps Alice's hold through its name).
    a = MakePhone(u"A", u"COM3");
    b = MakePhone(u"B", u"COM3");
    Rebuild(table, {a, b});
    EXPECT_EQ(table.ReleaseSerialPort(kAlice, u"COM3"), kPortDone);
    const auto rows = table.Snapshot();
    EXPECT_EQ(rows[0].sOwner, kBob);
    EXPECT_EQ(rows[1].bUsed, 0u);
}

TEST(PortTableRelease, ReleaseByOwnerFreesEveryRowOfThatClientOnly) {
    PortTable table;
    Rebuild(table, {MakePhone(u"A", u"COM3"), MakePhone(u"B", u"COM4"), MakePhone(u"C", u"COM5")});
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM3"), kPortDone);
    ASSERT_EQ(table.RequestSerialPort(kBob, u"COM4"), kPortDone);
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortDone);
    table.ReleaseByOwner(kAlice);
    const auto rows = table.Snapshot();
    EXPECT_EQ(rows[0].bUsed, 0u);
    EXPECT_EQ(rows[1].sOwner, kBob);
    EXPECT_EQ(rows[2].sOwner, 0u);
    ExpectHoldsConsistent(table);
    EXPECT_EQ(table.RequestSerialPort(kBob, u"COM3"), kPortDone);
}

TEST(PortTableRebuild, HoldFollowsThePhoneNameWhenItsPortChanges) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM5")});
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortDone);
    Rebuild(table, {MakePhone(u"Other", u"COM5"), MakePhone(u"X1", u"COM7")});
    const auto rows = table.Snapshot();
    EXPECT_EQ(rows[0].bUsed, 0u);
    EXPECT_EQ(rows[1].bUsed, 1u);
    EXPECT_EQ(rows[1].sOwner, kAlice);
    EXPECT_EQ(table.RequestSerialPort(kBob, u"COM7"), kPortUsed);
    EXPECT_EQ(table.RequestSerialPort(kBob, u"COM5"), kPortDone);
    EXPECT_EQ(table.ReleaseSerialPort(kAlice, u"COM7"), kPortDone);
}

TEST(PortTableRebuild, SameModelNameTwiceGivesTheHoldToTheFirst) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM9")});
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM9"), kPortDone);
    Rebuild(table,
            {MakePhone(u"X2", u"COM3"), MakePhone(u"X1", u"COM4"), MakePhone(u"X1", u"COM9")});
    const auto rows = table.Snapshot();
    EXPECT_EQ(rows[0].bUsed, 0u);
    EXPECT_EQ(rows[1].sOwner, kAlice);
    EXPECT_EQ(rows[2].bUsed, 0u); // even though this one still has the held port text
    ExpectHoldsConsistent(table);
}

TEST(PortTableRebuild, TwoHoldsOnTheSameNameEndOnTheFirstRowWithTheLaterHolder) {
    // Old rows are visited in order and each copies its hold onto the first match, so the
    // last old holder wins and the other hold is gone.
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM3"), MakePhone(u"X1", u"COM4")});
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM3"), kPortDone);
    ASSERT_EQ(table.RequestSerialPort(kBob, u"COM4"), kPortDone);
    Rebuild(table, {MakePhone(u"X1", u"COM3"), MakePhone(u"X1", u"COM4")});
    const auto rows = table.Snapshot();
    EXPECT_EQ(rows[0].sOwner, kBob);
    EXPECT_EQ(rows[1].bUsed, 0u);
}

TEST(PortTableRebuild, NameComparisonIsCaseSensitive) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM5")});
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortDone);
    Rebuild(table, {MakePhone(u"x1", u"COM5")});
    EXPECT_EQ(table.Snapshot()[0].bUsed, 0u);
}

TEST(PortTableRebuild, EmptyListDropsEveryRowAndHold) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM5")});
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortDone);
    EXPECT_TRUE(table.Rebuild({}).empty());
    EXPECT_EQ(table.Count(), 0u);
    Rebuild(table, {MakePhone(u"X1", u"COM5")}); // the phone is back: the hold is not
    EXPECT_EQ(table.Snapshot()[0].bUsed, 0u);
}

TEST(PortTableRebuild, RowsAreCopiesInListOrderAndThePayloadHasOneSlotEach) {
    PortTable table;
    std::vector<_CONNECTEDPHONE_T> phones = {MakePhone(u"A", u"COM3"), MakePhone(u"B", u"COM4")};
    phones[1].dwExtraInfo = 0xDEADBEEF;
    const auto payload = table.Rebuild(Ptrs(phones));
    phones[0].tszPhoneName[0] = u'Z'; // the table keeps its own copies
    const auto rows = table.Snapshot();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].stPhoneInfo.tszPhoneName[0], u'A');
    EXPECT_EQ(rows[1].stPhoneInfo.dwExtraInfo, 0xDEADBEEFu);
    ASSERT_EQ(payload.size(), 2 * kSlotBytes);
    EXPECT_EQ(std::memcmp(payload.data() + kSlotBytes, &rows[1].stPhoneInfo, 2056), 0);
    EXPECT_EQ(payload, table.Payload());
}

TEST(PortTableRebuild, NullEntriesInTheListAreSkipped) {
    PortTable table;
    const auto a = MakePhone(u"A", u"COM3");
    const auto payload = table.Rebuild({nullptr, &a, nullptr});
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_EQ(payload.size(), kSlotBytes);
}

std::vector<_CONNECTEDPHONE_T> ManyPhones(std::size_t n, uint32_t typeOfFirst) {
    std::vector<_CONNECTEDPHONE_T> phones;
    for (std::size_t i = 0; i < n; ++i) {
        const std::u16string port = u"COM" + std::u16string(1, u'A' + static_cast<char16_t>(i));
        phones.push_back(MakePhone(u"P", port, i == 0 ? typeOfFirst : kConnUsb));
    }
    return phones;
}

TEST(PortTableCopy, TwentyFourRowsFitTheDialogsBuffer) {
    PortTable table;
    Rebuild(table, ManyPhones(24, kConnBluetooth));
    std::vector<uint8_t> buffer(51200, 0);
    EXPECT_EQ(table.CopyConnectedPhones(buffer.data(), buffer.size()), 24);
    _CONNECTEDPHONE_T first;
    std::memcpy(&first, buffer.data(), sizeof first);
    EXPECT_EQ(first.dwConnectType, kConnBluetooth);
    _CONNECTEDPHONE_T last;
    std::memcpy(&last, buffer.data() + 23 * 2056, sizeof last);
    EXPECT_EQ(last.dwSerialPort[3], u'A' + 23);
}

TEST(PortTableCopy, TwentyFiveRowsGiveZeroEvenIfFewAreCopyable) {
    PortTable table;
    auto phones = ManyPhones(25, kConnUsb);
    for (std::size_t i = 1; i < phones.size(); ++i) {
        phones[i].dwConnectType = kConnInfrared;
    }
    Rebuild(table, phones);
    std::vector<uint8_t> buffer(51200, 0xEE);
    EXPECT_EQ(table.CopyConnectedPhones(buffer.data(), buffer.size()), 0);
    EXPECT_EQ(buffer[0], 0xEE); // untouched
}

TEST(PortTableCopy, SizeRuleCountsEveryRowAtExactly2056Bytes) {
    PortTable table;
    Rebuild(table, ManyPhones(3, kConnSerial)); // one uncopyable row still counts
    std::vector<uint8_t> buffer(3 * 2056, 0);
    EXPECT_EQ(table.CopyConnectedPhones(buffer.data(), 3 * 2056), 2);
    EXPECT_EQ(table.CopyConnectedPhones(buffer.data(), 3 * 2056 - 1), 0);
    EXPECT_EQ(table.CopyConnectedPhones(nullptr, 51200), 0);
}

TEST(PortTableCopy, SerialAndInfraredRowsAreNeverCopied) {
    PortTable table;
    Rebuild(table, {MakePhone(u"S", u"COM1", kConnSerial), MakePhone(u"U", u"COM2", kConnUsb),
                    MakePhone(u"I", u"COM3", kConnInfrared),
                    MakePhone(u"B", u"COM4", kConnBluetooth), MakePhone(u"Odd", u"COM6", 4)});
    std::vector<uint8_t> buffer(51200, 0);
    ASSERT_EQ(table.CopyConnectedPhones(buffer.data(), buffer.size()), 2);
    _CONNECTEDPHONE_T copied[2];
    std::memcpy(copied, buffer.data(), sizeof copied);
    EXPECT_EQ(copied[0].tszPhoneName[0], u'U');
    EXPECT_EQ(copied[1].tszPhoneName[0], u'B');
    EXPECT_EQ(buffer[2 * 2056], 0); // nothing past the copied records
}

TEST(PortTableCopy, EmptyTableCopiesNothing) {
    PortTable table;
    uint8_t byte = 0;
    EXPECT_EQ(table.CopyConnectedPhones(&byte, 0), 0);
}

TEST(PortTable, ClearDropsRowsAndHolds) {
    PortTable table;
    Rebuild(table, {MakePhone(u"X1", u"COM5")});
    ASSERT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortDone);
    table.Clear();
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_TRUE(table.Payload().empty());
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM5"), kPortInvalid);
}

TEST(ConnectedPhone, StackNamesCoverTypesZeroToThreeOnly) {
    EXPECT_EQ(std::u16string(BluetoothStackName(0)), u"Microsoft");
    EXPECT_EQ(std::u16string(BluetoothStackName(1)), u"Widcomm");
    EXPECT_EQ(std::u16string(BluetoothStackName(2)), u"IVT");
    EXPECT_EQ(std::u16string(BluetoothStackName(3)), u"Toshiba");
    EXPECT_EQ(std::u16string(BluetoothStackName(5)), u"");
    EXPECT_EQ(std::u16string(BluetoothStackName(0xFFFFFFFFu)), u"");
}

} // namespace
