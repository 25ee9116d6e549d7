// A USB pass under Wine as the program runs it: the scenario file named by HITCHED_SIMULATION,
// the platform bound as the program binds it, the real communication.dll (with
// KvInquireInfo.ini beside it) answering the DAV device's special ports, and the hub program
// ended through the real process list (a copy of this program named Relaybox.exe stands in).
#include "detect/dav_usb_ports.h"
#include "detect/port_enumeration.h"
#include "detect/relaybox.h"
#include "detect/usb_tree_walk.h"
#include "detect/utf16_field.h"
#include "platform/detection_platform.h"
#include "tests/support/scenario_file.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace hitched::test {
namespace {

// Device1 is a DAV device (product 0500) with a second serial function, COM9, and the
// scenario lists COM6 (Device1's modem) and COM3 beyond its tree. Every port must reach one
// record: COM5 and COM6 belong to Device1's cable record and are not named again.
TEST(DetectionPassWine, EveryPortOfTheDavDeviceAndThePhonesReachesOneRecord) {
    ScenarioFile scenario(ChangedScenario(
        kTwoPhoneScenario,
        {{"ProductID=0630", "ProductID=0500"},
         {"Ports=4", "Ports=5\nSpecialUsbPorts=COM6,COM3"},
         {"[Port4]", "[Port5]\nClass=Ports\nPortName=COM9\nParent=Device1\n[Port4]"}}));
    auto platform = OpenDetectionPlatform();
    ASSERT_TRUE(platform->simulated);
    CDeviceList devices;
    EnumerateUsbDevices(devices, *platform);
    EnumPorts(devices, *platform);
    ASSERT_EQ(devices.size(), 4u); // walked as \\.\HCD0 and as its interface
    EXPECT_EQ(devices[0]->nSerialPort, 5);
    EXPECT_EQ(devices[0]->nModemPort, 6);
    EXPECT_EQ(devices[1]->nSerialPort, 7);
    EXPECT_EQ(AddSpecialUsbPorts(devices), 1);
    ASSERT_EQ(devices.size(), 6u);
    EXPECT_EQ(FieldView(devices[4]->tszSerialPortName), u"COM9");
    EXPECT_EQ(uint64_t(devices[5]->ullBTAddress), 100000001u);
    EXPECT_EQ(FieldView(devices[5]->tszSerialPortName), u"COM3");

    scenario.Write("[Machine]\r\nControllers=0\r\n"); // read afresh: nothing left
    EXPECT_EQ(AddSpecialUsbPorts(devices), 0);
    EXPECT_EQ(devices.size(), 6u);
}

TEST(DetectionPassWine, RelayboxIsEnded) {
    wchar_t self[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring relaybox(self, n);
    relaybox = relaybox.substr(0, relaybox.find_last_of(L"\\/") + 1) + L"Relaybox.exe";
    ASSERT_TRUE(CopyFileW(self, relaybox.c_str(), FALSE));
    std::wstring command = L"\"" + relaybox + L"\" --relaybox-wait";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(relaybox.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &si, &pi));
    Sleep(500); // let it map its modules
    TerminateRelaybox();
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u); // ended by us, not gone on its own
    TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

} // namespace
} // namespace hitched::test

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--relaybox-wait") {
        Sleep(30000); // the stand-in hub program: ended by the test, or gone on its own
        return 3;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
