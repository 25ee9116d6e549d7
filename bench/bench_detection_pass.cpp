// One USB detection pass without AT identification, over simulated machines of 1, 10 and 100
// phones: the scenario loaded (as every pass re-reads it), the simulated machine built, the
// USB tree walked and the COM ports matched. Phones hang eight to an external hub. The
// simulated controller answers by number and as an interface, so every phone is found twice.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "enumeration/port_enumeration.h"
#include "enumeration/usb_tree_walk.h"
#include "platform/simulated_machine.h"
#include "tests/platform/ini_text_reader.h"

namespace {

constexpr int kPhonesPerHub = 8;

std::string Key(int n) {
    char text[64];
    std::snprintf(text, sizeof text, "{36FC9E60-C465-11CF-8056-444553540000}\\%04d", n);
    return text;
}

// Each phone: a serial port behind an interface node and a modem, plus one unrelated COM1.
std::string Scenario(int phones) {
    const int hubs = (phones + kPhonesPerHub - 1) / kPhonesPerHub;
    std::string s = "[Machine]\nControllers=1\nPorts=" + std::to_string(2 * phones + 1) +
                    "\nNodes=" + std::to_string(phones) + "\n";
    s += "[Controller1]\nDriverKey=" + Key(0) + "\nDescription=Host\nRootHub=Hub0\n";
    s += "[Hub0]\nPorts=" + std::to_string(hubs) + "\n";
    for (int h = 1; h <= hubs; ++h) {
        s += "Port" + std::to_string(h) + "=Hub" + std::to_string(h) + "\n";
    }
    for (int h = 1; h <= hubs; ++h) {
        s += "[Hub" + std::to_string(h) + "]\nPorts=" + std::to_string(kPhonesPerHub) + "\n";
        for (int p = 1; p <= kPhonesPerHub; ++p) {
            const int d = (h - 1) * kPhonesPerHub + p;
            if (d <= phones) {
                s += "Port" + std::to_string(p) + "=Device" + std::to_string(d) + "\n";
            }
        }
    }
    for (int d = 1; d <= phones; ++d) {
        const std::string n = std::to_string(d);
        s += "[Device" + n + "]\nVendorID=0421\nProductID=0630\nDriverKey=" + Key(d) + "\n";
        s += "[Node" + n + "]\nParent=Device" + n + "\nDriver=" + Key(1000 + d) + "\n";
        s += "[Port" + std::to_string(2 * d - 1) + "]\nClass=Ports\nPortName=COM" +
             std::to_string(d + 1) + "\nFriendlyName=Ostra USB Serial Port\nParent=Node" + n + "\n";
        s += "[Port" + std::to_string(2 * d) + "]\nClass=Modem\nPortName=COM" +
             std::to_string(d + 101) + "\nFriendlyName=Ostra USB Modem\nParent=Device" + n + "\n";
    }
    s += "[Port" + std::to_string(2 * phones + 1) + "]\nClass=Ports\nPortName=COM1\n";
    return s;
}

void DetectionPass(benchmark::State& state) {
    const int phones = static_cast<int>(state.range(0));
    const std::string scenario = Scenario(phones);
    std::size_t found = 0;
    for (auto _ : state) {
        hitched::test::IniTextReader reader(scenario);
        auto platform = hitched::MakeSimulatedPlatform(hitched::LoadScenario(reader));
        CDeviceList devices;
        EnumerateUsbDevices(devices, *platform);
        EnumPorts(devices, *platform);
        found = devices.size();
        benchmark::DoNotOptimize(devices.data());
    }
    if (found != 2 * static_cast<std::size_t>(phones)) {
        state.SkipWithError("the pass did not find every phone");
    }
    state.counters["records"] = static_cast<double>(found);
}

// The walk and the matching alone, on a machine already built (the part that runs against
// the real system on Windows).
void WalkAndPorts(benchmark::State& state) {
    const int phones = static_cast<int>(state.range(0));
    hitched::test::IniTextReader reader(Scenario(phones));
    auto platform = hitched::MakeSimulatedPlatform(hitched::LoadScenario(reader));
    std::size_t found = 0;
    for (auto _ : state) {
        CDeviceList devices;
        EnumerateUsbDevices(devices, *platform);
        EnumPorts(devices, *platform);
        found = devices.size();
        benchmark::DoNotOptimize(devices.data());
    }
    if (found != 2 * static_cast<std::size_t>(phones)) {
        state.SkipWithError("the pass did not find every phone");
    }
}

} // namespace

BENCHMARK(DetectionPass)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(WalkAndPorts)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
