// A Bluetooth attempt over the library's detection object and the simulated radio, as the
// frame's worker runs it: each way of pairing answered or refused, the phone's own refusal,
// Cancel at any point, the serial service and the port that comes late or never, and each
// error the stack may answer, each to the failure the user is told.
#include "detect/bt_pairing_attempt.h"
#include "makerlibs/kvbluetooth/bt_detect_object.h"
#include "makerlibs/kvbluetooth/simulated_bt_radio.h"

#include "detection_fakes.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace hitched;
using Ms = std::chrono::milliseconds;

// The scenario in memory; the radio's reader and writer share it.
struct Scenario {
    test::MapProfileReader map;
    struct Reader : IProfileReader {
        test::MapProfileReader& m;
        explicit Reader(test::MapProfileReader& map) : m(map) {}
        std::u16string GetString(std::u16string_view s, std::u16string_view k,
                                 std::u16string_view d) override {
            return m.GetString(s, k, d);
        }
    };
    struct Writer : IProfileWriter {
        test::MapProfileReader& m;
        explicit Writer(test::MapProfileReader& map) : m(map) {}
        void WriteString(std::u16string_view s, std::u16string_view k,
                         std::u16string_view v) override {
            m.WriteString(s, k, v);
        }
    };
    void Set(const char16_t* key, std::u16string value) { map.values[{u"BtDevice1", key}] = value; }
};

enum class User { Accept, Cancel, Silent };

struct Case {
    const char* what; // and the fault it would catch
    std::vector<std::pair<const char16_t*, const char16_t*>> keys;
    User user;
    const char16_t* typed;
    BtFailure failure;
    bool paired;
    uint32_t askedMethod; // 0: the user was asked nothing
};

const Case kCases[] = {
    {"legacy PIN typed right (a PIN not passed on fails every legacy phone)",
     {{u"Passkey", u"2468"}},
     User::Accept,
     u"2468",
     BtFailure::None,
     true,
     KVBT_PAIR_LEGACY},
    {"legacy PIN typed wrong is the passcode error, nothing else",
     {{u"Passkey", u"2468"}},
     User::Accept,
     u"1357",
     BtFailure::Passcode,
     false,
     KVBT_PAIR_LEGACY},
    {"numeric comparison confirmed (the number must reach the page)",
     {{u"Pairing", u"numeric"}, {u"Number", u"123456"}},
     User::Accept,
     u"",
     BtFailure::None,
     true,
     KVBT_PAIR_NUMERIC},
    {"numeric comparison refused by Cancel: no message",
     {{u"Pairing", u"numeric"}, {u"Number", u"123456"}},
     User::Cancel,
     u"",
     BtFailure::Cancelled,
     false,
     KVBT_PAIR_NUMERIC},
    {"numeric comparison refused on the phone is the phone's refusal",
     {{u"Pairing", u"numeric"}, {u"Number", u"123456"}, {u"Accept", u"0"}},
     User::Accept,
     u"",
     BtFailure::Refused,
     false,
     KVBT_PAIR_NUMERIC},
    {"passkey entry with a leading zero (a number compared as text fails 012345)",
     {{u"Pairing", u"passkey"}, {u"Number", u"12345"}},
     User::Accept,
     u"012345",
     BtFailure::None,
     true,
     KVBT_PAIR_PASSKEY},
    {"passkey entry typed wrong",
     {{u"Pairing", u"passkey"}, {u"Number", u"123456"}},
     User::Accept,
     u"123465",
     BtFailure::Passcode,
     false,
     KVBT_PAIR_PASSKEY},
    {"passkey entry refused by Cancel",
     {{u"Pairing", u"passkey"}, {u"Number", u"123456"}},
     User::Cancel,
     u"",
     BtFailure::Cancelled,
     false,
     KVBT_PAIR_PASSKEY},
    {"passkey notification: typed on the phone, nothing to answer here",
     {{u"Pairing", u"notify"}, {u"Number", u"654321"}},
     User::Silent,
     u"",
     BtFailure::None,
     true,
     KVBT_PAIR_NOTIFICATION},
    {"just works is accepted without asking the user",
     {{u"Pairing", u"justworks"}},
     User::Silent,
     u"",
     BtFailure::None,
     true,
     0},
    {"just works refused on the phone",
     {{u"Pairing", u"justworks"}, {u"Accept", u"0"}},
     User::Silent,
     u"",
     BtFailure::Refused,
     false,
     0},
    {"out of range (258) is not a passcode problem",
     {{u"PairError", u"258"}},
     User::Silent,
     u"",
     BtFailure::OutOfRange,
     false,
     0},
    {"refused (5)", {{u"PairError", u"5"}}, User::Silent, u"", BtFailure::Refused, false, 0},
    {"not reachable (1167) is not taken for no radio",
     {{u"PairError", u"1167"}},
     User::Silent,
     u"",
     BtFailure::OutOfRange,
     false,
     0},
    {"an unknown error gets the general text",
     {{u"PairError", u"31"}},
     User::Silent,
     u"",
     BtFailure::Other,
     false,
     0},
    {"an unknown way of pairing is 'unavailable'",
     {{u"Pairing", u"oob"}},
     User::Silent,
     u"",
     BtFailure::Unavailable,
     false,
     0},
    {"no serial-port service: its own message, though paired",
     {{u"Pairing", u"justworks"}, {u"Services", u"none"}},
     User::Silent,
     u"",
     BtFailure::NoSerialService,
     true,
     0},
    {"the port comes 300 ms after pairing and is waited for",
     {{u"Pairing", u"justworks"}, {u"PortDelayMs", u"300"}},
     User::Silent,
     u"",
     BtFailure::None,
     true,
     0},
    {"the port never comes: paired, timed out",
     {{u"Pairing", u"justworks"}, {u"PortDelayMs", u"600000"}},
     User::Silent,
     u"",
     BtFailure::PortTimeout,
     true,
     0},
};

class BtAttemptTest : public ::testing::Test {
protected:
    void SetUp() override {
        scenario.map.values[{u"Bluetooth", u"Radio"}] = u"1";
        scenario.map.values[{u"Bluetooth", u"Devices"}] = u"1";
        scenario.Set(u"Address", u"0019b7a1c2d3");
        scenario.Set(u"SerialPort", u"COM7");
        scenario.Set(u"PairMs", u"30");
        device.Address = 0x0019b7a1c2d3ull;
    }

    std::unique_ptr<BtPairingAttempt> Make(User user, std::u16string typed, Ms portWait) {
        BtPairingAttempt::Hooks hooks;
        hooks.requestArrived = [this, user, typed] {
            const auto request = attempt->PendingRequest();
            asked = request ? request->dwMethod : 99;
            number = request ? request->dwNumber : 0;
            if (user == User::Accept) {
                attempt->Answer(true, typed);
            } else if (user == User::Cancel) {
                attempt->Cancel();
            }
        };
        hooks.confirm = [this] {
            int port = 0;
            portAtConfirm = object.GetSerialPort(&device, &port) == 0 ? port : 0;
            return phoneAnswers;
        };
        return std::make_unique<BtPairingAttempt>(object, device, true, std::move(hooks), portWait);
    }

    Scenario scenario;
    std::atomic<uint32_t> mask{KVBT_ALL_STACKS};
    BtDetectObject object{
        std::make_shared<SimulatedBtRadio>(std::make_unique<Scenario::Reader>(scenario.map),
                                           std::make_unique<Scenario::Writer>(scenario.map)),
        mask};
    _KV_BLUETOOTH_DEVICE_INFO_STRUCT device{};
    std::unique_ptr<BtPairingAttempt> attempt;
    uint32_t asked = 0, number = 0;
    int portAtConfirm = -1;
    bool phoneAnswers = true;
};

TEST_F(BtAttemptTest, EachWayOfPairingAndEachFailureEndsAsTheUserIsToBeTold) {
    for (const Case& c : kCases) {
        SetUp();
        scenario.map.values.erase({u"BtDevice1", u"Paired"});
        scenario.map.values.erase({u"BtDevice1", u"PairedAt"});
        for (const char16_t* key : {u"Passkey", u"Pairing", u"Number", u"Accept", u"PairError",
                                    u"Services", u"PortDelayMs"}) {
            scenario.map.values.erase({u"BtDevice1", key});
        }
        for (const auto& [key, value] : c.keys) {
            scenario.Set(key, value);
        }
        asked = number = 0;
        portAtConfirm = -1;
        attempt = Make(c.user, c.typed, Ms(1500));
        const BtAttemptResult result = attempt->Run();
        EXPECT_EQ(result.failure, c.failure) << c.what << " (code " << result.code << ")";
        EXPECT_EQ(result.paired, c.paired) << c.what;
        EXPECT_EQ(asked, c.askedMethod) << c.what;
        if (c.askedMethod == KVBT_PAIR_NUMERIC || c.askedMethod == KVBT_PAIR_NOTIFICATION) {
            EXPECT_EQ(number, c.askedMethod == KVBT_PAIR_NUMERIC ? 123456u : 654321u) << c.what;
        }
        EXPECT_EQ(portAtConfirm, c.failure == BtFailure::None ? 7 : -1)
            << c.what << ": the pass runs once the port is there, and only then";
    }
}

TEST_F(BtAttemptTest, CancelEndsAPairingThatWaitsForThePhoneAndAWaitForThePort) {
    // A refusal that only answers the question would leave the worker waiting for the phone:
    // the wizard would hang on the outcome for PairMs.
    for (const char16_t* port : {u"0", u"600000"}) {
        scenario.Set(u"Pairing", u"numeric");
        scenario.Set(u"Number", u"123456");
        scenario.Set(u"PairMs", u"20000");
        scenario.Set(u"PortDelayMs", port);
        scenario.map.values.erase({u"BtDevice1", u"Paired"});
        const bool inPortWait = port[0] != u'0';
        if (inPortWait) {
            scenario.Set(u"Pairing", u"justworks");
            scenario.Set(u"PairMs", u"10");
        }
        attempt = Make(User::Accept, u"", Ms(60000));
        BtAttemptResult result;
        const auto start = std::chrono::steady_clock::now();
        std::thread worker([&] { result = attempt->Run(); });
        std::this_thread::sleep_for(Ms(300));
        attempt->Cancel();
        worker.join();
        const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
        EXPECT_EQ(result.failure, BtFailure::Cancelled) << (inPortWait ? "port wait" : "pairing");
        EXPECT_EQ(result.paired, inPortWait);
        EXPECT_LT(took.count(), 2000) << "Cancel ends it at once";
        std::printf("Cancel during the %s: the attempt ended %lld ms after its start\n",
                    inPortWait ? "port wait" : "phone's answer",
                    static_cast<long long>(took.count()));
    }
}

TEST_F(BtAttemptTest, NoRadioAndNoPhoneOverThePortHaveTheirOwnOutcome) {
    scenario.Set(u"Pairing", u"justworks");
    phoneAnswers = false;
    attempt = Make(User::Silent, u"", Ms(1000));
    EXPECT_EQ(attempt->Run().failure, BtFailure::NotAPhone);
    scenario.map.values[{u"Bluetooth", u"Radio"}] = u"0";
    attempt = Make(User::Silent, u"", Ms(1000));
    EXPECT_EQ(attempt->Run().failure, BtFailure::NoRadio);
}

} // namespace
