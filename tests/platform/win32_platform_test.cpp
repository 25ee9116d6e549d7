// The Win32 side of the detection seams under Wine: the real calls on a machine without USB
// devices, the switch to the simulated machine, the profile reader, processes and the
// notification area.
#include "detect/utf16_field.h"
#include "platform/detection_platform.h"
#include "platform/wchar_utf16.h"
#include "platform/win32_processes.h"
#include "platform/win32_profile_reader.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <string>

using namespace hitched;

namespace {

class TempFile {
public:
    explicit TempFile(const std::string& text) {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        wchar_t file[MAX_PATH];
        GetTempFileNameW(dir, L"scn", 0, file);
        m_path = file;
        Write(text);
    }
    ~TempFile() { DeleteFileW(m_path.c_str()); }
    void Write(const std::string& text) {
        HANDLE f =
            CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
    }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

class SimulationVariable {
public:
    explicit SimulationVariable(const wchar_t* value) {
        SetEnvironmentVariableW(L"HITCHED_SIMULATION", value);
    }
    ~SimulationVariable() { SetEnvironmentVariableW(L"HITCHED_SIMULATION", nullptr); }
};

const char* kOnePhone = "[Machine]\r\nControllers=1\r\nPorts=1\r\n"
                        "[Controller1]\r\nDriverKey={36FC9E60-C465-11CF-8056-444553540000}\\0000"
                        "   ; comment\r\nDescription=Simulated USB Host Controller\r\n"
                        "RootHub=Hub1\r\n[Hub1]\r\nPorts=2\r\nPort2=Device1 ; the phone\r\n"
                        "[Device1]\r\nVendorID=0421\r\nProductID=0630\r\n"
                        "DriverKey={36FC9E60-C465-11CF-8056-444553540000}\\0007\r\n"
                        "[Port1]\r\nClass=Ports\r\nPortName=COM5\r\nParent=Device1\r\n";

} // namespace

TEST(Win32Platform, WineWithoutSimulationShowsNoUsbControllerAndNoPort) {
    SimulationVariable unset(nullptr);
    auto p = OpenDetectionPlatform();
    ASSERT_TRUE(p && p->usb && p->tree && p->classes);
    EXPECT_FALSE(p->simulated);
    for (int n = 0; n < 10; ++n) {
        EXPECT_FALSE(p->usb->OpenController(u"\\\\.\\HCD" + AsciiToUtf16(std::to_string(n))));
    }
    EXPECT_TRUE(p->usb->HostControllerInterfaces().empty());
    EXPECT_FALSE(p->usb->OpenHub(u"USB#ROOT_HUB#NONE#{f18a0e88-c30c-11d0-8815-00a0c906bed8}"));
    EXPECT_TRUE(p->classes->PresentDevicesOfClass(u"Ports").empty());
    EXPECT_TRUE(p->classes->PresentDevicesOfClass(u"Modem").empty());
    EXPECT_TRUE(p->classes->PresentDevicesOfClass(u"NoSuchClassName").empty());
    EXPECT_TRUE(p->classes->PresentDevicesOf(u"usb\\vid_0421&pid_0630").empty());
    std::u16string driver;
    EXPECT_EQ(p->tree->EnumKeyDriver(u"USB\\VID_0421&PID_0630\\NOSUCHDEVICE", driver),
              EnumDriver::NoKey);
}

TEST(Win32Platform, DeviceTreeCallsFailCleanlyOnNodesThatDoNotExist) {
    SimulationVariable unset(nullptr);
    auto p = OpenDetectionPlatform();
    const DevNode bogus = 0x7ffffff0;
    DevNode other = 0;
    std::u16string text;
    EXPECT_FALSE(p->tree->Parent(bogus, other));
    // (Not FirstChild: Wine's CM_Get_Child is a stub that answers success.)
    EXPECT_FALSE(p->tree->NextSibling(bogus, other));
    EXPECT_FALSE(p->tree->DeviceId(bogus, text));
    EXPECT_FALSE(p->tree->Property(bogus, NodeProperty::Driver, text));
    EXPECT_FALSE(p->tree->Property(bogus, NodeProperty::DeviceDesc, text));
    // Wine 8 has no device tree root (CM_Locate_DevNodeW fails); where there is one, every
    // child reached from it names it as its parent.
    DevNode root = 0;
    if (!p->tree->Root(root)) {
        return;
    }
    DevNode child = 0;
    for (bool more = p->tree->FirstChild(root, child); more;
         more = p->tree->NextSibling(child, child)) {
        DevNode parent = 0;
        ASSERT_TRUE(p->tree->Parent(child, parent));
        EXPECT_EQ(parent, root);
    }
}

TEST(Win32Platform, ScenarioNamedByTheVariableIsReadAtEveryOpen) {
    TempFile scenario(kOnePhone);
    SimulationVariable set(scenario.Path().c_str());
    auto first = OpenDetectionPlatform();
    ASSERT_TRUE(first->simulated);
    EXPECT_EQ(ToWString(first->scenarioPath), scenario.Path());
    auto controller = first->usb->OpenController(u"\\\\.\\HCD0");
    ASSERT_TRUE(controller);
    std::u16string key;
    ASSERT_TRUE(controller->DriverKeyName(key));
    EXPECT_EQ(key, u"{36FC9E60-C465-11CF-8056-444553540000}\\0000"); // comment stripped
    std::u16string hubName;
    ASSERT_TRUE(controller->RootHubName(hubName));
    auto hub = first->usb->OpenHub(hubName);
    ASSERT_TRUE(hub);
    UsbConnection c;
    ASSERT_TRUE(hub->ConnectionInformationEx(2, c));
    EXPECT_EQ(c.connectionStatus, kUsbDeviceConnected);
    EXPECT_EQ(c.idProduct, 0x0630);
    auto ports = first->classes->PresentDevicesOfClass(u"Ports");
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].portName.text, u"COM5");

    // The phone is unplugged: the next open sees it gone; the first keeps its snapshot.
    scenario.Write("[Machine]\r\nControllers=1\r\n[Controller1]\r\nRootHub=Hub1\r\n"
                   "[Hub1]\r\nPorts=2\r\n");
    auto second = OpenDetectionPlatform();
    auto hub2 = second->usb->OpenHub(hubName);
    ASSERT_TRUE(hub2);
    ASSERT_TRUE(hub2->ConnectionInformationEx(2, c));
    EXPECT_EQ(c.connectionStatus, kUsbNoDeviceConnected);
    EXPECT_TRUE(second->classes->PresentDevicesOfClass(u"Ports").empty());
    EXPECT_EQ(first->classes->PresentDevicesOfClass(u"Ports").size(), 1u);
}

TEST(Win32Platform, MissingScenarioFileIsAnEmptyMachine) {
    SimulationVariable set(L"C:\\no\\such\\folder\\scenario.ini");
    auto p = OpenDetectionPlatform();
    ASSERT_TRUE(p->simulated);
    EXPECT_FALSE(p->usb->OpenController(u"\\\\.\\HCD0"));
    EXPECT_TRUE(p->usb->HostControllerInterfaces().empty());
    EXPECT_TRUE(p->classes->PresentDevicesOfClass(u"Ports").empty());
}

TEST(Win32ProfileReader, LongValuesAreReadWholeAndMissingOnesGiveTheDefault) {
    const std::string longValue(3000, 'v');
    TempFile file("[S]\r\nLong=" + longValue + "\r\nShort=x\r\n");
    Win32ProfileReader reader(ToU16String(file.Path()));
    EXPECT_EQ(reader.GetString(u"S", u"Long", u""), std::u16string(3000, u'v'));
    EXPECT_EQ(reader.GetString(u"s", u"SHORT", u""), u"x");
    EXPECT_EQ(reader.GetString(u"S", u"None", u"fallback"), u"fallback");
    EXPECT_EQ(reader.GetString(u"Other", u"Short", u""), u"");
}

TEST(Win32NotifyArea, DeletingTheIconOfAMissingWindowFails) {
    Win32NotifyArea area;
    uint32_t error = 0;
    EXPECT_FALSE(area.DeleteIcon(u"No window has this title 7f3a", 129, error));
}

TEST(Win32NotifyArea, DeletesTheIconOfTheWindowWithTheTitle) {
    const std::wstring title = L"Relaybox test " + std::to_wstring(GetCurrentProcessId());
    HWND window = CreateWindowW(L"STATIC", title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = window;
    icon.uID = 129;
    icon.uFlags = NIF_ICON;
    icon.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &icon));

    Win32NotifyArea area;
    uint32_t error = 0;
    EXPECT_FALSE(area.DeleteIcon(ToU16String(title), 130, error)); // another icon ID
    EXPECT_TRUE(area.DeleteIcon(ToU16String(title), 129, error));
    error = 0;
    EXPECT_FALSE(area.DeleteIcon(ToU16String(title), 129, error)); // already gone
    EXPECT_NE(error, 0u);
    DestroyWindow(window);
}
