// A USB pass under Wine through the simulated machine: the scenario file named by
// HITCHED_SIMULATION, the platform bound as the program binds it, the real communication.dll
// answering the special ports, and the hub program ended through the real process list (a
// copy of this program named Relaybox.exe stands in for it).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "detect/port_enumeration.h"
#include "detect/relaybox.h"
#include "detect/dav_usb_ports.h"
#include "detect/usb_tree_walk.h"
#include "detect/utf16_field.h"
#include "platform/detection_platform.h"

using hitched::FieldView;

namespace {

constexpr char kWaitArgument[] = "--relaybox-wait";

std::wstring Folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

// Writes the scenario beside this program and names it in HITCHED_SIMULATION.
void UseScenario(const std::string& text) {
    const std::wstring file = Folder() + L"walk_scenario.ini";
    std::ofstream(file.c_str(), std::ios::binary | std::ios::trunc) << text;
    SetEnvironmentVariableW(L"HITCHED_SIMULATION", file.c_str());
}

const char kDavAndTwoPhones[] = "[Machine]\r\n"
                                "Controllers=1\r\nPorts=3\r\n"
                                "SpecialUsbPorts=COM3,COM4\r\n"
                                "[Controller1]\r\nDriverKey={36FC9E60}\\0000\r\n"
                                "Description=Simulated USB Host Controller\r\nRootHub=Hub1\r\n"
                                "[Hub1]\r\nPorts=2\r\nPort1=Device3\r\nPort2=Hub2\r\n"
                                "[Hub2]\r\nPorts=4\r\nPort2=Device1\r\nPort4=Device2\r\n"
                                "[Device1]\r\nVendorID=0421\r\nProductID=0630\r\n"
                                "DriverKey={36FC9E60}\\0007\r\n"
                                "[Device2]\r\nVendorID=0421\r\nProductID=0631\r\n"
                                "DriverKey={36FC9E60}\\0008\r\n"
                                "[Device3]\r\nVendorID=0421\r\nProductID=0500\r\n"
                                "DriverKey={36FC9E60}\\0009\r\n"
                                "[Port1]\r\nClass=Ports\r\nPortName=COM5\r\n"
                                "FriendlyName=Ostra USB Serial Port (COM5)\r\nParent=Device1\r\n"
                                "[Port2]\r\nClass=Modem\r\nPortName=COM6\r\n"
                                "Description=Ostra USB Modem\r\nParent=Device1\r\n"
                                "[Port3]\r\nClass=Ports\r\nPortName=com7\r\n"
                                "FriendlyName=Ostra USB Serial Port (COM7)\r\nParent=Device2\r\n";

TEST(DetectionPassWine, TwoPhonesBehindAHubAndTheDavDevicesSpecialPorts) {
    UseScenario(kDavAndTwoPhones);
    auto platform = hitched::OpenDetectionPlatform();
    ASSERT_TRUE(platform->simulated);
    CDeviceList devices;
    EnumerateUsbDevices(devices, *platform);
    // Walked as \\.\HCD0 and as its interface: three devices, twice.
    ASSERT_EQ(devices.size(), 6u);
    EnumPorts(devices, *platform);
    ASSERT_EQ(devices.size(), 4u); // the DAV device itself has no COM port
    EXPECT_EQ(devices[0]->nSerialPort, 5);
    EXPECT_EQ(devices[0]->nModemPort, 6);
    EXPECT_EQ(devices[0]->wHubPort, 2);
    EXPECT_EQ(FieldView(devices[0]->tszModemPortName), u"Ostra USB Modem");
    EXPECT_EQ(devices[1]->nSerialPort, 7);
    EXPECT_EQ(devices[1]->wHubPort, 4);
    EXPECT_EQ(FieldView(devices[1]->tszSerialPortName), u"Ostra USB Serial Port (COM7)");

    EXPECT_EQ(AddSpecialUsbPorts(devices), 1);
    ASSERT_EQ(devices.size(), 6u);
    EXPECT_EQ(devices[4]->dwConnectType, 4u);
    EXPECT_EQ(uint64_t(devices[4]->ullBTAddress), 100000000u);
    EXPECT_EQ(FieldView(devices[4]->tszSerialPortName), u"COM3");
    EXPECT_EQ(uint64_t(devices[5]->ullBTAddress), 100000001u);
    EXPECT_EQ(FieldView(devices[5]->tszSerialPortName), u"COM4");
}

TEST(DetectionPassWine, NoSpecialPortsWithoutTheListAndTheScenarioIsReadAfresh) {
    UseScenario("[Machine]\r\nControllers=0\r\n");
    CDeviceList devices;
    EXPECT_EQ(AddSpecialUsbPorts(devices), 0);
    auto platform = hitched::OpenDetectionPlatform();
    EnumerateUsbDevices(devices, *platform);
    EnumPorts(devices, *platform);
    EXPECT_TRUE(devices.empty());
}

TEST(DetectionPassWine, RelayboxIsEndedAndOtherProcessesAreLeft) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring relaybox = Folder() + L"Relaybox.exe";
    const std::wstring other = Folder() + L"Bystander.exe";
    ASSERT_TRUE(CopyFileW(self, relaybox.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(self, other.c_str(), FALSE));
    auto start = [](const std::wstring& exe) {
        std::wstring command = L"\"" + exe + L"\" --relaybox-wait";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        EXPECT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        CloseHandle(pi.hThread);
        return pi.hProcess;
    };
    HANDLE box = start(relaybox);
    HANDLE bystander = start(other);
    Sleep(500); // let both map their modules
    TerminateRelaybox();
    EXPECT_EQ(WaitForSingleObject(box, 10000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(box, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(WaitForSingleObject(bystander, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(bystander, 1);
    WaitForSingleObject(bystander, 5000);
    CloseHandle(box);
    CloseHandle(bystander);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == kWaitArgument) {
        Sleep(30000); // the stand-in hub program: ended by the test, or gone on its own
        return 3;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
