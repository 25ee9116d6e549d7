// The Win32 side of the detection seams under Wine: the real calls on a machine without USB
// devices, the switch to the simulated machine, the profile reader, processes and the
// notification area.
#include "contracts/utf16_field.h"
#include "platform/detection_platform.h"
#include "platform/wchar_utf16.h"
#include "platform/win32_processes.h"
#include "platform/win32_profile_reader.h"
#include "portservice/connected_phone.h"
#include "tests/support/scenario_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>

using namespace hitched;
using hitched::test::ScenarioFile;

TEST(Win32Platform, WithoutSimulationTheRealCallsFindNothingAndFailCleanly) {
    SetEnvironmentVariableW(L"HITCHED_SIMULATION", nullptr);
    auto p = OpenDetectionPlatform();
    ASSERT_TRUE(p && p->usb && p->tree && p->classes);
    EXPECT_FALSE(p->simulated);
    EXPECT_FALSE(p->usb->OpenController(u"\\\\.\\HCD0"));
    EXPECT_FALSE(p->usb->OpenHub(u"USB#ROOT_HUB#NONE#{f18a0e88-c30c-11d0-8815-00a0c906bed8}"));
    EXPECT_TRUE(p->usb->HostControllerInterfaces().empty());
    EXPECT_TRUE(p->classes->PresentDevicesOfClass(u"Ports").empty());
    EXPECT_TRUE(p->classes->PresentDevicesOfClass(u"NoSuchClassName").empty());
    EXPECT_TRUE(p->classes->PresentDevicesOf(u"usb\\vid_0421&pid_0630").empty());
    std::u16string text;
    EXPECT_EQ(p->tree->EnumKeyDriver(u"USB\\VID_0421&PID_0630\\NOSUCHDEVICE", text),
              EnumDriver::NoKey);
    const DevNode bogus = 0x7ffffff0;
    DevNode other = 0;
    EXPECT_FALSE(p->tree->Parent(bogus, other));
    EXPECT_FALSE(p->tree->NextSibling(bogus, other));
    EXPECT_FALSE(p->tree->DeviceId(bogus, text));
    EXPECT_FALSE(p->tree->Property(bogus, NodeProperty::Driver, text));
    EXPECT_FALSE(p->tree->Property(bogus, NodeProperty::DeviceDesc, text));
}

TEST(Win32Platform, ScenarioNamedByTheVariableIsReadAtEveryOpen) {
    ScenarioFile scenario(test::kTwoPhoneScenario);
    auto first = OpenDetectionPlatform();
    ASSERT_TRUE(first->simulated);
    EXPECT_EQ(ToWString(first->scenarioPath), scenario.Path());
    EXPECT_EQ(first->classes->PresentDevicesOfClass(u"Ports").size(), 3u);

    // Everything unplugged: the next open sees it gone; the first keeps its snapshot.
    scenario.Write("[Machine]\r\nControllers=1\r\n");
    EXPECT_TRUE(OpenDetectionPlatform()->classes->PresentDevicesOfClass(u"Ports").empty());
    EXPECT_EQ(first->classes->PresentDevicesOfClass(u"Ports").size(), 3u);

    SetEnvironmentVariableW(L"HITCHED_SIMULATION", L"C:\\no\\such\\folder\\scenario.ini");
    auto missing = OpenDetectionPlatform();
    EXPECT_TRUE(missing->simulated); // an empty machine
    EXPECT_TRUE(missing->usb->HostControllerInterfaces().empty());
}

TEST(Win32ProfileReader, LongValuesAreReadWholeAndMissingOnesGiveTheDefault) {
    ScenarioFile file("[S]\r\nLong=" + std::string(3000, 'v') + "\r\nShort=x\r\n");
    Win32ProfileReader reader(ToU16String(file.Path()));
    EXPECT_EQ(reader.GetString(u"S", u"Long", u""), std::u16string(3000, u'v'));
    EXPECT_EQ(reader.GetString(u"s", u"SHORT", u""), u"x");
    EXPECT_EQ(reader.GetString(u"S", u"None", u"fallback"), u"fallback");
}

TEST(WcharUtf16, TextAndRecordFieldsCrossTheBoundaryUnchanged) {
    const std::u16string text = u"Ostra \u00E9\u4E2D \U0001F4F1"; // with a surrogate pair
    EXPECT_EQ(ToWString(text), L"Ostra \u00E9\u4E2D \U0001F4F1");
    EXPECT_EQ(ToU16String(ToWString(text)), text);
    _CONNECTEDPHONE_T phone{};
    std::wcscpy(AsWide(phone.dwSerialPort), L"COM5");
    EXPECT_EQ(FieldView(phone.dwSerialPort), u"COM5");
}

TEST(Win32NotifyArea, DeletesTheIconOfTheWindowWithTheTitleOnly) {
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
    EXPECT_FALSE(area.DeleteIcon(u"No window has this title 7f3a", 129, error));
    EXPECT_FALSE(area.DeleteIcon(ToU16String(title), 130, error)); // another icon ID
    EXPECT_TRUE(area.DeleteIcon(ToU16String(title), 129, error));
    error = 0;
    EXPECT_FALSE(area.DeleteIcon(ToU16String(title), 129, error)); // already gone
    EXPECT_NE(error, 0u);
    DestroyWindow(window);
}
