// The port service's hot paths for 1, 24, 100 and 1000 connected phones: a client's request
// and release (one read parsed, the table walked, the reply built), the rebuild that every
// device change causes (with holds carried over), the list reply, a client decoding a push,
// and the device table that feeds the rebuild.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "detect/device_map.h"
#include "contracts/utf16_field.h"
#include "portservice/client_decoder.h"
#include "portservice/port_table.h"
#include "portservice/protocol.h"

using namespace hitched;

namespace {

std::vector<_CONNECTEDPHONE_T> Phones(std::size_t n) {
    std::vector<_CONNECTEDPHONE_T> phones(n);
    for (std::size_t i = 0; i < n; ++i) {
        phones[i] = _CONNECTEDPHONE_T{};
        phones[i].dwConnectType = i % 2 ? kConnBluetooth : kConnUsb;
        CopyField(phones[i].tszPhoneName, AsciiToUtf16("Ostra Model " + std::to_string(i)));
        CopyField(phones[i].dwSerialPort, AsciiToUtf16("COM" + std::to_string(i + 1)));
        CopyField(phones[i].tszManufacturer, u"Ostra");
    }
    return phones;
}

std::vector<const _CONNECTEDPHONE_T*> Ptrs(const std::vector<_CONNECTEDPHONE_T>& phones) {
    std::vector<const _CONNECTEDPHONE_T*> out;
    for (const auto& p : phones) {
        out.push_back(&p);
    }
    return out;
}

void PhoneCounts(benchmark::internal::Benchmark* b) {
    for (int n : {1, 24, 100, 1000}) {
        b->Arg(n);
    }
}

// Request and release of the last phone's port: the longest walk of the table.
void BM_RequestRelease(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const auto phones = Phones(n);
    PortTable table;
    table.Rebuild(Ptrs(phones));
    const std::string port = "COM" + std::to_string(n);
    const auto request = EncodeText(kKeyRequestSerialPort + AsciiToUtf16(port));
    const auto release = EncodeText(kKeyReleaseSerialPort + AsciiToUtf16(port));
    for (auto _ : state) {
        const Request r = ParseRequest(request.data(), request.size());
        const auto reply = BuildRequestReply(table.RequestSerialPort(7, r.argument));
        const Request f = ParseRequest(release.data(), release.size());
        benchmark::DoNotOptimize(table.ReleaseSerialPort(7, f.argument));
        benchmark::DoNotOptimize(reply.data());
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_RequestRelease)->Apply(PhoneCounts);

// A rebuild with a third of the phones held: every hold is carried over by name.
void BM_Rebuild(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const auto phones = Phones(n);
    const auto list = Ptrs(phones);
    PortTable table;
    table.Rebuild(list);
    for (std::size_t i = 0; i < n; i += 3) {
        table.RequestSerialPort(static_cast<ClientId>(i + 1),
                                AsciiToUtf16("COM" + std::to_string(i + 1)));
    }
    for (auto _ : state) {
        const auto payload = table.Rebuild(list);
        benchmark::DoNotOptimize(payload.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(n * kSlotBytes));
}
BENCHMARK(BM_Rebuild)->Apply(PhoneCounts);

void BM_ListReply(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const auto phones = Phones(n);
    PortTable table;
    table.Rebuild(Ptrs(phones));
    for (auto _ : state) {
        const auto header = BuildListHeader(table.Count());
        const auto payload = table.Payload();
        benchmark::DoNotOptimize(header.data());
        benchmark::DoNotOptimize(payload.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(n * kSlotBytes));
}
BENCHMARK(BM_ListReply)->Apply(PhoneCounts);

// A client decoding a push that arrives in TCP-sized pieces.
void BM_ClientDecodePush(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::vector<uint8_t> push = BuildPushHeader(n);
    const auto payload = BuildPayload(Phones(n));
    push.insert(push.end(), payload.begin(), payload.end());
    for (auto _ : state) {
        ClientDecoder decoder;
        for (std::size_t at = 0; at < push.size(); at += 1460) {
            decoder.Feed(push.data() + at, std::min<std::size_t>(1460, push.size() - at));
        }
        ServerMessage m;
        decoder.Next(m);
        benchmark::DoNotOptimize(m.phones.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(push.size()));
}
BENCHMARK(BM_ClientDecodePush)->Apply(PhoneCounts);

// Filling, walking and emptying a device table, as one detection pass does.
void BM_DeviceMapPass(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    _PHONEDEVICEINFO_T record{};
    record.dwConnectType = 1;
    for (auto _ : state) {
        CDeviceMap map;
        for (std::size_t i = 0; i < n; ++i) {
            record.nSerialPort = static_cast<int32_t>(i + 1);
            map.AddCopy(*DeviceKey(record), record);
        }
        uint64_t sum = 0;
        for (CDeviceMap::Position pos = map.GetStartPosition(); pos;) {
            uint64_t key;
            _PHONEDEVICEINFO_T* value;
            map.GetNextAssoc(pos, key, value);
            sum += key;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_DeviceMapPass)->Apply(PhoneCounts);

} // namespace
