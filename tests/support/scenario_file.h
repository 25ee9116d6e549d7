#pragma once
// The simulated machine as tests describe it: the two-phone scenario most of them start from,
// a way to change a few of its lines, and (on Windows) the scenario file that HITCHED_SIMULATION
// names for as long as a ScenarioFile lives.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace hitched::test {

// One controller; its root hub holds an external hub with two phones: Device1 (0421:0630) on
// port 1 with its serial port COM5 below an interface node and its modem COM6, Device2
// (0421:0631) on port 3 with com7. COM1 belongs to no USB device.
inline const std::string kTwoPhoneScenario =
    "[Machine]\nControllers=1\nPorts=4\nNodes=1\n"
    "[Controller1]\nDriverKey={36FC9E60-C465-11CF-8056-444553540000}\\0000\n"
    "Description=Simulated USB Host Controller\nRootHub=Hub1\n"
    "[Hub1]\nPorts=2\nPort2=Hub2\n"
    "[Hub2]\nPorts=4\nPort1=Device1\nPort3=Device2\n"
    "[Device1]\nVendorID=0421\nProductID=0630\n"
    "DriverKey={36FC9E60-C465-11CF-8056-444553540000}\\0007\n"
    "[Device2]\nVendorID=0421\nProductID=0631\n"
    "DriverKey={36FC9E60-C465-11CF-8056-444553540000}\\0008\n"
    "[Port1]\nClass=Modem\nPortName=COM6\nFriendlyName=Ostra USB Modem\nParent=Device1\n"
    "[Port2]\nClass=Ports\nPortName=COM5\nFriendlyName=Ostra USB Serial Port (COM5)\n"
    "Parent=Node1\n"
    "[Node1]\nParent=Device1\nDriver={36FC9E60-C465-11CF-8056-444553540000}\\0017\n"
    "[Port3]\nClass=Ports\nPortName=com7\nDescription=Ostra Serial\nParent=Device2\n"
    "[Port4]\nClass=Ports\nPortName=COM1\nFriendlyName=Communications Port (COM1)\n";

// The scenario with each (old, new) pair applied to the first occurrence of old; an old text
// that is not there is a mistake in the test and throws.
inline std::string ChangedScenario(std::string text,
                                   const std::vector<std::pair<std::string, std::string>>& edits) {
    for (const auto& [from, to] : edits) {
        const std::size_t at = text.find(from);
        if (at == std::string::npos) {
            throw std::invalid_argument("the scenario has no " + from);
        }
        text.replace(at, from.size(), to);
    }
    return text;
}

#ifdef _WIN32
// A scenario file in the temporary folder, named by HITCHED_SIMULATION until destruction.
class ScenarioFile {
public:
    explicit ScenarioFile(const std::string& text) {
        wchar_t dir[MAX_PATH];
        wchar_t file[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"scn", 0, file);
        m_path = file;
        Write(text);
        SetEnvironmentVariableW(L"HITCHED_SIMULATION", m_path.c_str());
    }
    ~ScenarioFile() {
        SetEnvironmentVariableW(L"HITCHED_SIMULATION", nullptr);
        DeleteFileW(m_path.c_str());
    }
    ScenarioFile(const ScenarioFile&) = delete;
    ScenarioFile& operator=(const ScenarioFile&) = delete;

    // Plugs or unplugs: the next detection pass reads the new machine.
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
#endif

} // namespace hitched::test
