// The real KvInquireInfo.dll and communication.dll, called through their import libraries.
#include "detect/kv_inquire_phone.h"
#include "detect/usb_ports_lib.h"
#include "detect/utf16_field.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

_PHONEDEVICEINFO_T CableRecord(uint16_t product, int serial, int modem) {
    _PHONEDEVICEINFO_T r;
    std::memset(&r, 0, sizeof r);
    r.dwConnectType = 1;
    r.wVendorID = hitched::kDavVendorId;
    r.wProductID = product;
    r.nSerialPort = serial;
    r.nModemPort = modem;
    return r;
}

// A scenario file for one test, and HITCHED_SIMULATION naming it while the test runs.
class Scenario {
public:
    explicit Scenario(const std::string& text) {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        wchar_t file[MAX_PATH];
        GetTempFileNameW(dir, L"scn", 0, file);
        m_path = file;
        HANDLE f =
            CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
        SetEnvironmentVariableW(L"HITCHED_SIMULATION", m_path.c_str());
    }
    ~Scenario() {
        SetEnvironmentVariableW(L"HITCHED_SIMULATION", nullptr);
        DeleteFileW(m_path.c_str());
    }

private:
    std::wstring m_path;
};

struct Answer {
    bool ok;
    std::string text;
};

Answer AskUsbPorts() {
    // A canary behind the 1,024 bytes the caller owns: the library must not touch it.
    char buffer[hitched::kUsbPortsBufferBytes + 64];
    std::memset(buffer, 'x', sizeof buffer);
    const bool ok = GetUsbPorts(buffer);
    for (std::size_t i = hitched::kUsbPortsBufferBytes; i < sizeof buffer; ++i) {
        EXPECT_EQ(buffer[i], 'x') << "byte " << i << " written";
    }
    const void* nul = std::memchr(buffer, '\0', hitched::kUsbPortsBufferBytes);
    EXPECT_NE(nul, nullptr) << "no terminator inside the buffer";
    return {ok, nul ? std::string(buffer) : std::string()};
}

} // namespace

TEST(KvInquireInfoDll, IsDavDeviceAnswersFromTheShippedIniBesideTheDll) {
    CKvInquirePhone inquiry;
    _PHONEDEVICEINFO_T dav = CableRecord(0x0500, 0, 0);
    _PHONEDEVICEINFO_T other = CableRecord(0x0501, 5, 0);
    _PHONEDEVICEINFO_T phone = CableRecord(0x0630, 5, 6);
    EXPECT_NE(inquiry.IsDAVDevice(&dav), 0);
    EXPECT_EQ(inquiry.IsDAVDevice(&other), 0);
    EXPECT_EQ(inquiry.IsDAVDevice(&phone), 0);
    EXPECT_EQ(inquiry.IsDAVDevice(nullptr), 0);
}

TEST(KvInquireInfoDll, RecordWithoutAPortOrWithAbsentPortsIsNotIdentified) {
    CKvInquirePhone inquiry;
    _PHONEDEVICEINFO_T none = CableRecord(0x0630, 0, 0);
    EXPECT_NE(inquiry.HitchedPhoneInfo(none), 0u);
    EXPECT_EQ(hitched::FieldLength(none.tszManufacturer), 0u);

    // Ports that do not exist fail to open (no dialogue; the identifier's tests show that an
    // unopened port costs no time).
    _PHONEDEVICEINFO_T absent = CableRecord(0x0630, 201, 202);
    const ULONGLONG start = GetTickCount64();
    EXPECT_NE(inquiry.HitchedPhoneInfo(absent), 0u);
    std::printf("[ figure ] two absent ports: %llu ms\n",
                static_cast<unsigned long long>(GetTickCount64() - start));
    EXPECT_EQ(hitched::FieldLength(absent.tszPhoneName), 0u);
    EXPECT_EQ(hitched::FieldLength(absent.tszIMEI), 0u);
}

TEST(CommunicationDll, SimulationAnswersTheScenarioListAsItStands) {
    {
        Scenario s("[Machine]\r\nSpecialUsbPorts=COM3,COM4\r\n");
        const Answer a = AskUsbPorts();
        EXPECT_TRUE(a.ok);
        EXPECT_EQ(a.text, "COM3,COM4");
    }
    {
        Scenario s("[Machine]\nSpecialUsbPorts=COM3,\n");
        const Answer a = AskUsbPorts();
        EXPECT_TRUE(a.ok);
        EXPECT_EQ(a.text, "COM3,");
    }
    {
        Scenario s("[Machine]\nSpecialUsbPorts=\nControllers=1\n");
        const Answer a = AskUsbPorts();
        EXPECT_FALSE(a.ok);
        EXPECT_EQ(a.text, "");
    }
    {
        Scenario s("[Machine]\nControllers=1\n");
        EXPECT_FALSE(AskUsbPorts().ok);
    }
}

TEST(CommunicationDll, LongSimulatedListIsCutAfterItsLastWholeName) {
    std::string list;
    for (int i = 1; i <= 200; ++i) {
        list += (i > 1 ? "," : "") + std::string("COM") + std::to_string(i);
    }
    Scenario s("[Machine]\nSpecialUsbPorts=" + list + "\n");
    const Answer a = AskUsbPorts();
    EXPECT_TRUE(a.ok);
    EXPECT_LE(a.text.size(), hitched::kUsbPortsBufferBytes - 1);
    EXPECT_GT(a.text.size(), 900u);
    EXPECT_EQ(list.compare(0, a.text.size(), a.text), 0);
    EXPECT_EQ(list[a.text.size()], ',') << "a name was cut in half";
}

TEST(CommunicationDll, MissingScenarioFileAnswersNothing) {
    SetEnvironmentVariableW(L"HITCHED_SIMULATION", L"C:\\no\\such\\scenario.ini");
    const Answer a = AskUsbPorts();
    SetEnvironmentVariableW(L"HITCHED_SIMULATION", nullptr);
    EXPECT_FALSE(a.ok);
    EXPECT_EQ(a.text, "");
}

TEST(CommunicationDll, WithoutSimulationTheDeviceRuleRunsAndFindsNoDavPortUnderWine) {
    SetEnvironmentVariableW(L"HITCHED_SIMULATION", nullptr);
    const Answer a = AskUsbPorts(); // Wine lists no Ports devices
    EXPECT_FALSE(a.ok);
    EXPECT_EQ(a.text, "");
}
