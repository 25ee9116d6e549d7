// Whatever a device on a serial port answers, in whatever pieces and at whatever pace, the
// identification never runs past its time budget, and what it stores into the record is text
// without controls or broken surrogates, inside terminated fields. The serial line runs on a
// virtual clock; the input scripts every answer, its pace and the line's failures.
#include <fuzzer/FuzzedDataProvider.h>

#include "tests/fuzz/fuzz_check.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "contracts/device_text.h"
#include "contracts/phone_device_info.h"
#include "contracts/utf16_field.h"
#include "makerlibs/kvinquire/inquiry_record.h"
#include "makerlibs/kvinquire/phone_identifier.h"
#include "tests/makerlibs/virtual_phone_line.h"

using namespace hitched;
using hitched::test::VirtualClock;
using hitched::test::VirtualPhoneLine;

namespace {

// The answer to one command: its echo or not, lines of any bytes or a plain value, a final code
// or none, each piece after a delay of its own.
bool Answer(FuzzedDataProvider& in, VirtualPhoneLine& line, const std::string& command) {
    line.failWrites = in.ConsumeIntegralInRange(0, 31) == 31;
    uint64_t delay = 0;
    const auto send = [&](const std::string& bytes) {
        delay += in.ConsumeIntegralInRange<uint64_t>(0, 2500);
        line.Deliver(delay, bytes);
    };
    if (in.ConsumeBool()) {
        send(command + "\r");
    }
    // Without more input a plain value: the empty input is a phone that answers.
    for (int i = in.ConsumeIntegralInRange(1, 3); i > 0; --i) {
        send(in.ConsumeBool() ? in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 300))
                              : std::string("\r\nOstra\r\n"));
    }
    static const char* const kFinal[] = {"\r\nOK\r\n", "\r\nERROR\r\n", "\r\n+CME ERROR: 10\r\n",
                                         ""};
    send(kFinal[in.ConsumeIntegralInRange(0, 3)]);
    line.failReads = in.ConsumeIntegralInRange(0, 31) == 31; // the device goes away
    return false;
}

// The field holds a value, is terminated inside its array and zero after its text, and the text
// is one that cleaning leaves as it is: no control, no invisible or reordering character, no
// half pair.
template <std::size_t N> void CheckField(const char16_t (&field)[N]) {
    const std::size_t n = FieldLength(field);
    CHECK(n > 0 && n < N && std::count(field + n, field + N, u'\0') == std::ptrdiff_t(N - n));
    CHECK(DeviceText(FieldView(field)) == FieldView(field));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const AtTimings timings = TimingsFromSettings(
        in.ConsumeIntegralInRange(-1, 6000), in.ConsumeIntegralInRange(-1, 4),
        in.ConsumeIntegralInRange(-1, 12000), in.ConsumeIntegralInRange(-1, 40000));
    VirtualClock clock;
    std::vector<std::string> sent;
    const bool firstOpens = in.ConsumeBool();
    PhoneIdentifier identifier(
        [&](int port) -> std::unique_ptr<ISerialLink> {
            if (port == 3 && !firstOpens) {
                return nullptr;
            }
            auto line = std::make_unique<VirtualPhoneLine>(clock, sent);
            line->bytewise = in.ConsumeBool();
            line->hook = [&in](VirtualPhoneLine& l, const std::string& c) {
                return Answer(in, l, c);
            };
            return line;
        },
        clock, timings);
    const uint64_t start = clock.now;
    const IdentifyResult result = identifier.Identify({3, 0, 5, 3});

    CHECK(clock.now - start <= timings.budgetMs);
    CHECK(result.elapsedMs == clock.now - start);
    CHECK(result.attempts.size() <= 2);

    if (result.identified) {
        _PHONEDEVICEINFO_T record;
        std::memset(&record, 'A', sizeof record); // what the fields held before
        StoreIdentity(record, result.identity);
        CheckField(record.tszManufacturer);
        CheckField(record.tszPhoneName);
        CheckField(record.tszIMEI);
    }
    return 0;
}
