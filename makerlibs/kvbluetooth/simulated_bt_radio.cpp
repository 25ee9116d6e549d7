#include "makerlibs/kvbluetooth/simulated_bt_radio.h"

#include "contracts/bluetooth_detect_obj.h"
#include "contracts/wide_text.h"
#include "makerlibs/kvbluetooth/bt_connection_rule.h"
#include "makerlibs/kvinquire/inquiry_record.h"

#include <string>
#include <thread>

namespace hitched {
namespace {

constexpr int kMaxDevices = 64; // a scenario cannot make a search endless
constexpr auto kInquiryStep = std::chrono::milliseconds(20);
// How long the stack waits for the user's answer on the PC before it gives up.
constexpr auto kAnswerWait = std::chrono::seconds(60);
constexpr int kDefaultPairMs = 500;

struct PairingMethod {
    const char16_t* name;
    uint32_t method;
};
constexpr PairingMethod kMethods[] = {{u"legacy", KVBT_PAIR_LEGACY},
                                      {u"numeric", KVBT_PAIR_NUMERIC},
                                      {u"passkey", KVBT_PAIR_PASSKEY},
                                      {u"notify", KVBT_PAIR_NOTIFICATION},
                                      {u"justworks", KVBT_PAIR_JUSTWORKS}};

// The digits typed, as a number; -1 for anything that is not 1 to 6 digits.
int64_t TypedNumber(std::u16string_view text) {
    if (text.empty() || text.size() > 6) {
        return -1;
    }
    int64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

int64_t SystemMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::u16string DeviceSection(int n) {
    const std::string digits = std::to_string(n);
    return u"BtDevice" + std::u16string(digits.begin(), digits.end());
}

} // namespace

SimulatedBtRadio::SimulatedBtRadio(std::unique_ptr<IProfileReader> reader,
                                   std::unique_ptr<IProfileWriter> writer, WallClock now)
    : m_reader(std::move(reader)), m_writer(std::move(writer)),
      m_now(now ? std::move(now) : WallClock(SystemMs)) {}

std::optional<uint64_t> SimulatedBtRadio::ParseAddress(std::u16string_view text) {
    if (text.size() != 12) {
        return std::nullopt;
    }
    uint64_t address = 0;
    for (char16_t c : text) {
        int digit = -1;
        if (c >= u'0' && c <= u'9') {
            digit = c - u'0';
        } else if (c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        address = (address << 4) | static_cast<uint64_t>(digit);
    }
    return address;
}

int SimulatedBtRadio::Int(std::u16string_view section, std::u16string_view key, int fallback) {
    const std::u16string text = m_reader->GetString(section, key, u"");
    if (text.empty()) {
        return fallback;
    }
    int value = 0;
    std::size_t i = text[0] == u'-' ? 1 : 0;
    if (i == text.size()) {
        return fallback;
    }
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9' || value > 100000000) {
            return fallback;
        }
        value = value * 10 + (text[i] - u'0');
    }
    return text[0] == u'-' ? -value : value;
}

std::u16string SimulatedBtRadio::Text(std::u16string_view section, std::u16string_view key) {
    return m_reader->GetString(section, key, u"");
}

bool SimulatedBtRadio::InRange(std::u16string_view section) {
    return Int(section, u"InRange", 1) != 0;
}

std::u16string SimulatedBtRadio::SectionOf(uint64_t address) {
    const int count = std::min(Int(u"Bluetooth", u"Devices", 0), kMaxDevices);
    for (int n = 1; n <= count; ++n) {
        const std::u16string section = DeviceSection(n);
        if (ParseAddress(Text(section, u"Address")) == (address & 0xFFFFFFFFFFFFull)) {
            return section;
        }
    }
    return {};
}

bool SimulatedBtRadio::Present(uint32_t stackMask) {
    const int stack = Int(u"Bluetooth", u"Stack", 0);
    return Int(u"Bluetooth", u"Radio", 0) == 1 && stack >= 0 && stack <= 3 &&
           (stackMask & (1u << stack)) != 0;
}

uint32_t SimulatedBtRadio::StackType() {
    const int stack = Int(u"Bluetooth", u"Stack", 0);
    return stack >= 0 && stack <= 3 ? static_cast<uint32_t>(stack) : 0;
}

std::vector<BtRadioDevice> SimulatedBtRadio::Inquire(Clock::time_point searchStart,
                                                     const std::atomic<bool>& stop) {
    // The devices answer InquiryMs after the search began; a search stopped before finds none.
    const auto due = searchStart + std::chrono::milliseconds(Int(u"Bluetooth", u"InquiryMs", 0));
    while (Clock::now() < due) {
        if (stop) {
            return {};
        }
        std::this_thread::sleep_for(kInquiryStep);
    }
    std::vector<BtRadioDevice> devices;
    const int count = std::min(Int(u"Bluetooth", u"Devices", 0), kMaxDevices);
    for (int n = 1; n <= count; ++n) {
        const std::u16string section = DeviceSection(n);
        const std::optional<uint64_t> address = ParseAddress(Text(section, u"Address"));
        if (!address) {
            continue;
        }
        BtRadioDevice device;
        device.address = *address;
        device.name = Text(section, u"Name");
        device.paired = Int(section, u"Paired", 0) == 1;
        // A link is up only while a program holds one; an idle phone has none.
        device.connected = EqualsNoCase(Text(section, u"Connection"), u"connected");
        // Paired devices are listed whether or not they answer the inquiry; others only when
        // they are in range and discoverable.
        const bool answers = InRange(section) && Int(section, u"Discoverable", 1) != 0;
        if (device.paired || answers) {
            devices.push_back(std::move(device));
        }
    }
    // A real inquiry takes its time: never hand back a busy loop.
    for (int i = 0; i < 5 && !stop; ++i) {
        std::this_thread::sleep_for(kInquiryStep);
    }
    return devices;
}

uint32_t SimulatedBtRadio::Authenticate(uint64_t address, std::u16string_view passkey) {
    const std::u16string section = SectionOf(address);
    if (section.empty()) {
        return kBtNotFound;
    }
    if (Int(section, u"Paired", 0) == 1) {
        return kBtAlreadyPaired;
    }
    if (Int(section, u"Pairable", 1) == 0) {
        return kBtRefused;
    }
    const std::u16string wanted = Text(section, u"Passkey");
    if (!wanted.empty() && wanted != passkey) {
        return kBtWrongPasskey;
    }
    m_writer->WriteString(section, u"Paired", u"1");
    return kBtOk;
}

// The phone's side of a pairing: PairError instead of pairing, else the method of Pairing; the
// PC's user answers through the session, the phone's user PairMs after the start (Accept).
uint32_t SimulatedBtRadio::Pair(uint64_t address, BtPairingSession& session) {
    const std::u16string section = SectionOf(address);
    if (section.empty()) {
        return kBtNotFound;
    }
    if (Int(section, u"Paired", 0) == 1) {
        return kBtAlreadyPaired;
    }
    const auto start = Clock::now();
    const auto phoneDue =
        start + std::chrono::milliseconds(Int(section, u"PairMs", kDefaultPairMs));
    const int error = Int(section, u"PairError", 0);
    if (error != 0) {
        return session.RefusedBy(phoneDue) ? kBtRefused : static_cast<uint32_t>(error);
    }
    if (Int(section, u"Pairable", 1) == 0) {
        return kBtRefused;
    }
    const std::u16string methodName = Text(section, u"Pairing");
    uint32_t method = methodName.empty() ? KVBT_PAIR_LEGACY : 0;
    for (const PairingMethod& m : kMethods) {
        method = EqualsNoCase(methodName, m.name) ? m.method : method;
    }
    if (method == 0) {
        return kBtNotSupported;
    }
    const int number = Int(section, u"Number", 0);
    const bool shown = method == KVBT_PAIR_NUMERIC || method == KVBT_PAIR_NOTIFICATION;
    session.Ask({method, shown ? static_cast<uint32_t>(number) : 0u});
    bool wrong = false;
    if (method == KVBT_PAIR_NOTIFICATION) {
        // The number is typed on the phone: only a refusal comes from the PC.
        if (session.RefusedBy(phoneDue)) {
            return kBtRefused;
        }
    } else {
        bool accept = false;
        std::u16string typed;
        if (!session.WaitAnswer(start + kAnswerWait, accept, typed)) {
            return kBtTimeout;
        }
        if (!accept) {
            return kBtRefused;
        }
        const std::u16string passkey = Text(section, u"Passkey");
        wrong = (method == KVBT_PAIR_LEGACY && !passkey.empty() && passkey != typed) ||
                (method == KVBT_PAIR_PASSKEY && TypedNumber(typed) != number);
    }
    if (session.RefusedBy(phoneDue) || Int(section, u"Accept", 1) == 0) {
        return kBtRefused;
    }
    if (wrong) {
        return kBtWrongPasskey;
    }
    m_writer->WriteString(section, u"Paired", u"1");
    const std::string at = std::to_string(m_now());
    m_writer->WriteString(section, u"PairedAt", std::u16string(at.begin(), at.end()));
    return kBtOk;
}

uint32_t SimulatedBtRadio::EnableSerialService(uint64_t address) {
    const std::u16string section = SectionOf(address);
    if (section.empty() || Int(section, u"Paired", 0) != 1) {
        return kBtNotFound;
    }
    return EqualsNoCase(Text(section, u"Services"), u"none") ? kBtNoService : kBtOk;
}

int SimulatedBtRadio::SerialPortNumber(uint64_t address) {
    return ComPortNumber(SerialPort(address));
}

uint32_t SimulatedBtRadio::Remove(uint64_t address) {
    const std::u16string section = SectionOf(address);
    if (section.empty() || Int(section, u"Paired", 0) != 1) {
        return kBtNotFound;
    }
    const int refused = Int(section, u"RemoveResult", 0);
    if (refused != 0) {
        return static_cast<uint32_t>(refused);
    }
    m_writer->WriteString(section, u"Paired", u"0");
    return kBtOk;
}

int SimulatedBtRadio::ConnectionState(uint64_t address, int32_t& status) {
    if (!Present(KVBT_ALL_STACKS)) {
        status = KVBT_DEV_STATUS_UNKNOWN;
        return 0;
    }
    const std::u16string section = SectionOf(address);
    if (section.empty()) {
        status = KVBT_DEV_STATUS_DISCONNECTED;
        return 0;
    }
    const std::u16string state = Text(section, u"Connection");
    if (state.empty()) {
        const BtDeviceLink link{true, Int(section, u"Paired", 0) == 1, false};
        status = BtConnectionStatus(link, [&] { return InRange(section); });
    } else if (EqualsNoCase(state, u"connected")) {
        status = KVBT_DEV_STATUS_CONNECTED;
    } else if (EqualsNoCase(state, u"disconnected")) {
        status = KVBT_DEV_STATUS_DISCONNECTED;
    } else if (EqualsNoCase(state, u"unknown")) {
        status = KVBT_DEV_STATUS_UNKNOWN;
    } else {
        return 1; // "none": no answer at all
    }
    return 0;
}

std::u16string SimulatedBtRadio::SerialPort(uint64_t address) {
    const std::u16string section = SectionOf(address);
    if (section.empty() || Int(section, u"Paired", 0) != 1 ||
        EqualsNoCase(Text(section, u"Services"), u"none")) {
        return {};
    }
    // PairedAt is written by a pairing; a device paired beforehand has its port already.
    const std::u16string at = Text(section, u"PairedAt");
    int64_t pairedAt = 0;
    for (std::size_t i = 0; i < at.size() && i < 18 && at[i] >= u'0' && at[i] <= u'9'; ++i) {
        pairedAt = pairedAt * 10 + (at[i] - u'0');
    }
    if (!at.empty() && m_now() < pairedAt + Int(section, u"PortDelayMs", 0)) {
        return {};
    }
    return Text(section, u"SerialPort");
}

} // namespace hitched
