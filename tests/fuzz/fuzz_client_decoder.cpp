// Whatever arrives from the network, in whatever pieces, the client decoder neither crashes
// nor holds more than one partial slot, and every phone message it yields is complete.
#include <fuzzer/FuzzedDataProvider.h>

#include "tests/fuzz/fuzz_check.h"

#include <cstdio>
#include <cstdlib>

#include "portservice/client_decoder.h"
#include "portservice/port_table.h"

using namespace hitched;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ClientDecoder decoder;
    while (in.remaining_bytes() > 0) {
        const std::size_t piece = in.ConsumeIntegralInRange<std::size_t>(0, 64);
        const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(piece);
        decoder.Feed(bytes.data(), bytes.size());
        if (in.ConsumeBool()) {
            decoder.Flush();
        }
        CHECK(decoder.Buffered() < kSlotBytes);
        ServerMessage m;
        while (decoder.Next(m)) {
            switch (m.kind) {
            case ServerMessageKind::UpdateConnectedPhone:
            case ServerMessageKind::GetAllConnectedPhone:
                CHECK(m.count <= ClientDecoder::kMaxPhones);
                CHECK(m.phones.size() == m.count);
                break;
            case ServerMessageKind::RequestReply:
                CHECK(m.portResult == kPortDone || m.portResult == kPortUsed ||
                      m.portResult == kPortInvalid);
                break;
            case ServerMessageKind::Malformed:
                CHECK(m.skippedBytes > 0);
                break;
            }
        }
    }
    return 0;
}
