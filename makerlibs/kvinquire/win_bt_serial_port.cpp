// The COM port of a Bluetooth phone's serial-port service: the scenario file's paired device on
// the simulated machine, the Bluetooth enumerator's port device on Windows.
#include "makerlibs/kvbluetooth/simulated_bt_radio.h"
#include "makerlibs/kvinquire/bt_serial_port.h"
#include "makerlibs/kvinquire/inquiry_record.h"
#include "platform/registry_string.h"
#include "platform/wchar_utf16.h"
#include "platform/win32_profile_reader.h"
#include "platform/win32_profile_writer.h"
#include "platform/win32_simulation_file.h"

#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

namespace hitched {
namespace {

// The PortName value of the port device's own key ("COM7").
std::u16string PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    BYTE name[64] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(name);
    const LONG rc = RegQueryValueExW(key, L"PortName", nullptr, &type, name, &bytes);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? RegistryString(name, bytes) : u"";
}

int WindowsBluetoothSerialPort(uint64_t address) {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int port = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; port == 0 && SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        wchar_t id[512] = {};
        if (SetupDiGetDeviceInstanceIdW(set, &device, id, 512, nullptr) &&
            IsBluetoothSerialPortOf(AsUtf16(id), address)) {
            port = ComPortNumber(PortName(set, device));
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return port;
}

} // namespace

int FindBluetoothSerialPort(uint64_t address) {
    const std::u16string scenario = SimulationFile();
    if (scenario.empty()) {
        return WindowsBluetoothSerialPort(address);
    }
    SimulatedBtRadio radio(std::make_unique<Win32ProfileReader>(scenario),
                           std::make_unique<Win32ProfileWriter>(scenario));
    return ComPortNumber(radio.SerialPort(address));
}

} // namespace hitched
