// The phone table's rules: requests and releases, holds carried across rebuilds by phone name,
// and the copy into the dialog's 51,200-byte buffer.
#include "portservice/port_table.h"

#include <cstring>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "tests/support/phone_records.h"

using namespace hitched;
using hitched::test::MakeConnectedPhone;

namespace {

constexpr ClientId kAlice = 'A', kBob = 'B';

// "X1@COM5 X2@COM15": USB phones by name and serial port, in list order.
std::vector<_CONNECTEDPHONE_T> Phones(const std::string& list) {
    std::vector<_CONNECTEDPHONE_T> phones;
    std::istringstream in(list);
    for (std::string item; in >> item;) {
        const std::size_t at = item.find('@');
        phones.push_back(MakeConnectedPhone(AsciiToUtf16(item.substr(0, at)),
                                            AsciiToUtf16(item.substr(at + 1))));
    }
    return phones;
}

void Rebuild(PortTable& table, const std::vector<_CONNECTEDPHONE_T>& phones) {
    std::vector<const _CONNECTEDPHONE_T*> list;
    for (const auto& p : phones)
        list.push_back(&p);
    table.Rebuild(list);
}

// Every row's holder as one letter ('.' when free); bUsed must agree with sOwner.
std::string Holders(const PortTable& table) {
    std::string holders;
    for (const auto& row : table.Snapshot()) {
        EXPECT_EQ(row.bUsed, row.sOwner != 0 ? 1u : 0u);
        holders += row.sOwner != 0 ? static_cast<char>(row.sOwner) : '.';
    }
    return holders;
}

TEST(PortTable, RequestsAndReleasesFollowTheRules) {
    PortTable table;
    Rebuild(table, Phones("X1@COM5 X2@COM15 DAV@USB0 A@COM3 B@COM3 L@com7"));
    // Client letter ('0': nobody), then '+' request, '-' release or '!' connection ended, and
    // the port text; the result, and every row's holder after the step.
    const std::tuple<std::u16string, int, const char*> steps[] = {
        {u"A+USB0", kPortInvalid, "......"}, // no "COM", even if a row holds exactly that
        {u"A+com7", kPortInvalid, "......"}, // "COM" is case-sensitive
        {u"A+", kPortInvalid, "......"},
        {u"A+COM5\r\n", kPortInvalid, "......"}, // the exact text, nothing trimmed
        {u"A+ COM5", kPortInvalid, "......"},
        {u"A+COM1", kPortInvalid, "......"},
        {u"A+COM", kPortInvalid, "......"},
        {u"0+COM5", kPortInvalid, "......"},
        {u"A+COM15", kPortDone, ".A...."},
        {u"A+COM5", kPortDone, "AA...."},
        {u"B+COM5", kPortUsed, "AA...."},
        {u"A+COM5", kPortUsed, "AA...."},    // the holder asking again too
        {u"B-COM5", kPortInvalid, "AA...."}, // only the holder releases
        {u"A-COM5\r\n", kPortInvalid, "AA...."},
        {u"A-USB0", kPortInvalid, "AA...."},
        {u"A-COM5", kPortDone, ".A...."},
        {u"A-COM5", kPortInvalid, ".A...."}, // nothing held any more
        {u"B+COM5", kPortDone, "BA...."},
        {u"A+COM3", kPortDone, "BA.A.."},
        {u"B+COM3", kPortUsed, "BA.A.."}, // the first row with the text is the match
        {u"A!", kPortDone, "B....."},
    };
    for (const auto& [step, result, holders] : steps) {
        const ClientId client = step[0] == u'0' ? 0 : step[0];
        const std::u16string port = step.substr(2);
        if (step[1] == u'!')
            table.ReleaseByOwner(client);
        const int got = step[1] == u'+'   ? table.RequestSerialPort(client, port)
                        : step[1] == u'-' ? table.ReleaseSerialPort(client, port)
                                          : kPortDone;
        EXPECT_EQ(got, result) << std::string(step.begin(), step.end());
        EXPECT_EQ(Holders(table), holders) << std::string(step.begin(), step.end());
    }
}

TEST(PortTable, AHoldFollowsThePhoneNameToTheFirstNewRowOfThatName) {
    const struct {
        const char* before;
        const char* holds; // the holder of each row before, '.' for none
        const char* after;
        const char* holders;
    } cases[] = {
        {"X1@COM5", "A", "Other@COM5 X1@COM7", ".A"}, // the port changed
        {"X1@COM9", "A", "X2@COM3 X1@COM4 X1@COM9", ".A."},
        {"X1@COM3 X1@COM4", "AB", "X1@COM3 X1@COM4", "B."}, // the later holder wins
        {"X1@COM5", "A", "x1@COM5", "."},                   // names compared case-sensitively
        {"X1@COM5", "A", "", ""},
        {"A@COM3 B@COM4", "BA", "A@COM3 B@COM3", "BA"}, // two rows now share a port text
    };
    for (const auto& c : cases) {
        PortTable table;
        const auto before = Phones(c.before);
        Rebuild(table, before);
        for (std::size_t i = 0; i < before.size(); ++i) {
            const ClientId holder = c.holds[i] == '.' ? 0 : c.holds[i];
            EXPECT_EQ(table.RequestSerialPort(holder, FieldString(before[i].dwSerialPort)),
                      holder != 0 ? kPortDone : kPortInvalid);
        }
        Rebuild(table, Phones(c.after));
        EXPECT_EQ(Holders(table), c.holders) << c.before << " -> " << c.after;
    }
    // The release finds the row this client holds among the rows sharing its text.
    PortTable table;
    Rebuild(table, Phones("A@COM3 B@COM4"));
    ASSERT_EQ(table.RequestSerialPort(kBob, u"COM3") + table.RequestSerialPort(kAlice, u"COM4"), 0);
    Rebuild(table, Phones("A@COM3 B@COM3"));
    EXPECT_EQ(table.ReleaseSerialPort(kAlice, u"COM3"), kPortDone);
    EXPECT_EQ(Holders(table), "B.");
}

TEST(PortTable, RowsAreCopiesInListOrderWithOneSlotEachAndNullsSkipped) {
    PortTable table;
    std::vector<_CONNECTEDPHONE_T> phones = Phones("A@COM3 B@COM4");
    phones[1].dwExtraInfo = 0xDEADBEEF;
    const auto payload = table.Rebuild({nullptr, &phones[0], nullptr, &phones[1]});
    const _CONNECTEDPHONE_T sent = phones[0];
    phones[0].tszPhoneName[0] = u'Z'; // the table keeps its own copies
    const auto rows = table.Snapshot();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::memcmp(&rows[0].stPhoneInfo, &sent, sizeof sent), 0);
    EXPECT_EQ(std::memcmp(&rows[1].stPhoneInfo, &phones[1], sizeof sent), 0);
    ASSERT_EQ(payload.size(), 2 * kSlotBytes);
    EXPECT_EQ(std::memcmp(payload.data() + kSlotBytes, &phones[1], sizeof sent), 0);
    EXPECT_EQ(payload, table.Payload());
    table.Clear();
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.RequestSerialPort(kAlice, u"COM3"), kPortInvalid);
}

TEST(PortTable, CopiesUsbAndBluetoothRowsOnlyAndOnlyWhenTheWholeTableFits) {
    const struct {
        std::string types; // S serial, U USB, B Bluetooth, I infrared, 4 unknown
        std::size_t bufferBytes;
        int copied;
    } cases[] = {
        {"B" + std::string(23, 'U'), 51200, 24}, // the dialog's buffer holds 24 rows
        {"U" + std::string(24, 'I'), 51200, 0},  // 25 rows: nothing, however few are copyable
        {"SUU", 3 * 2056, 2},                    // every row counts toward the size
        {"SUU", 3 * 2056 - 1, 0},
        {"SUIB4", 51200, 2},
        {"", 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<_CONNECTEDPHONE_T> phones, copyable;
        for (std::size_t i = 0; i < c.types.size(); ++i) {
            const uint32_t type = std::string("SUBI4").find(c.types[i]);
            phones.push_back(
                MakeConnectedPhone(u"P", u"COM" + AsciiToUtf16(std::to_string(i)), type));
            if (type == kConnUsb || type == kConnBluetooth)
                copyable.push_back(phones.back());
        }
        PortTable table;
        Rebuild(table, phones);
        std::vector<uint8_t> buffer(c.bufferBytes + 2056, 0xEE);
        ASSERT_EQ(table.CopyConnectedPhones(buffer.data(), c.bufferBytes), c.copied) << c.types;
        for (int i = 0; i < c.copied; ++i)
            EXPECT_EQ(std::memcmp(buffer.data() + i * 2056, &copyable[i], 2056), 0) << i;
        EXPECT_EQ(buffer[c.copied * 2056], 0xEE) << "nothing past the copied records";
        EXPECT_EQ(table.CopyConnectedPhones(nullptr, 51200), 0);
    }
}

TEST(ConnectedPhone, StackNamesCoverTypesZeroToThreeOnly) {
    const std::u16string names[] = {u"Microsoft", u"Widcomm", u"IVT", u"Toshiba", u"", u""};
    const uint32_t types[] = {0, 1, 2, 3, 4, 0xFFFFFFFFu};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(BluetoothStackName(types[i]), names[i]) << types[i];
}

} // namespace
