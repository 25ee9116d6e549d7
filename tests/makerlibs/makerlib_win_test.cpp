// The real KvInquireInfo.dll and communication.dll, called through their import libraries.
#include "contracts/kv_inquire_phone.h"
#include "contracts/usb_ports_lib.h"
#include "tests/app/temp_file.h"
#include "tests/support/phone_records.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <tuple>

using hitched::test::MakeCableRecord;

namespace {

// GetUsbPorts with HITCHED_SIMULATION naming `scenario` (null: unset). It must keep to the
// caller's 1,024 bytes and end its text inside them.
std::pair<bool, std::string> AskUsbPorts(const std::wstring* scenario) {
    ::SetEnvironmentVariableW(L"HITCHED_SIMULATION", scenario ? scenario->c_str() : nullptr);
    char buffer[hitched::kUsbPortsBufferBytes + 64];
    std::memset(buffer, 'x', sizeof buffer);
    const bool ok = GetUsbPorts(buffer);
    ::SetEnvironmentVariableW(L"HITCHED_SIMULATION", nullptr);
    EXPECT_EQ(std::string(buffer + hitched::kUsbPortsBufferBytes, 64), std::string(64, 'x'))
        << "written past the buffer";
    const void* nul = std::memchr(buffer, '\0', hitched::kUsbPortsBufferBytes);
    EXPECT_NE(nul, nullptr) << "no terminator inside the buffer";
    return {ok, nul ? std::string(buffer) : std::string()};
}

} // namespace

TEST(KvInquireInfoDll, DavDevicesFromTheIniBesideTheDllAndRecordsWithoutAUsablePort) {
    CKvInquirePhone inquiry;
    _PHONEDEVICEINFO_T dav = MakeCableRecord(0, 0, 0x0500);
    _PHONEDEVICEINFO_T other = MakeCableRecord(5, 0, 0x0501);
    EXPECT_EQ(inquiry.IsDAVDevice(&dav), 1);
    EXPECT_EQ(inquiry.IsDAVDevice(&other), 0);
    EXPECT_EQ(inquiry.IsDAVDevice(nullptr), 0);

    _PHONEDEVICEINFO_T none = MakeCableRecord(0, 0);
    EXPECT_EQ(inquiry.HitchedPhoneInfo(none), 1u);
    _PHONEDEVICEINFO_T absent = MakeCableRecord(201, 202); // ports that do not open
    EXPECT_EQ(inquiry.HitchedPhoneInfo(absent), 3u);       // nothing answered: may be asked again
    EXPECT_EQ(hitched::FieldLength(absent.tszManufacturer) + hitched::FieldLength(absent.tszIMEI),
              0u);
}

TEST(CommunicationDll, SimulationAnswersTheScenarioListAsItStandsCutToTheBuffer) {
    TempFolder folder;
    const std::wstring scenario = folder.File(L"machine.ini");
    const auto names = [](int n) { // 7 bytes a name, with its comma
        std::string list;
        for (int i = 0; i < n; ++i) {
            list += i > 0 ? ",COM123" : "COM123";
        }
        return list;
    };
    // The scenario file (empty: none), and the answer.
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"[Machine]\r\nSpecialUsbPorts=COM3,COM4\r\n", true, "COM3,COM4"},
        {"[Machine]\nSpecialUsbPorts=COM3,\n", true, "COM3,"},
        {"[Machine]\nSpecialUsbPorts=\nControllers=1\n", false, ""},
        {"[Machine]\nControllers=1\n", false, ""},
        {"", false, ""},
        {"[Machine]\nSpecialUsbPorts=" + names(300) + "\n", true, names(146)}, // 1,021 bytes
    };
    for (const auto& [file, ok, text] : cases) {
        ::DeleteFileW(scenario.c_str());
        if (!file.empty()) {
            TempFolder::WriteBytes(scenario, file);
        }
        EXPECT_EQ(AskUsbPorts(&scenario), std::make_pair(ok, text)) << file.substr(0, 60);
    }
    // Without the simulation the device rule runs; Wine lists no Ports devices.
    EXPECT_EQ(AskUsbPorts(nullptr), std::make_pair(false, std::string()));
}
