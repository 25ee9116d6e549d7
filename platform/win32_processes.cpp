#include "platform/win32_processes.h"

#include "platform/wchar_utf16.h"

#include <windows.h>

#include <psapi.h>
#include <shellapi.h>

namespace hitched {
namespace {

constexpr DWORD kMaxProcesses = 1024;
constexpr DWORD kModuleNameChars = 260;

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAW_V1_SIZE == 152, "first version of NOTIFYICONDATAW");
#endif

class Win32ProcessHandle : public IProcessHandle {
public:
    explicit Win32ProcessHandle(HANDLE h) : m_handle(h) {}
    ~Win32ProcessHandle() override { CloseHandle(m_handle); }

    bool FirstModuleBaseName(std::u16string& name) override {
        HMODULE module = nullptr;
        DWORD needed = 0;
        if (!EnumProcessModules(m_handle, &module, sizeof module, &needed) || module == nullptr) {
            return false;
        }
        WCHAR buffer[kModuleNameChars + 1] = {};
        if (GetModuleBaseNameW(m_handle, module, buffer, kModuleNameChars) == 0) {
            return false;
        }
        name = AsUtf16(buffer);
        return true;
    }

    bool Terminate(uint32_t exitCode, uint32_t& error) override {
        if (TerminateProcess(m_handle, exitCode)) {
            return true;
        }
        error = GetLastError();
        return false;
    }

private:
    HANDLE m_handle;
};

} // namespace

bool Win32Processes::ProcessIds(std::vector<uint32_t>& ids) {
    DWORD table[kMaxProcesses] = {};
    DWORD bytes = 0;
    if (!EnumProcesses(table, sizeof table, &bytes)) {
        return false;
    }
    ids.assign(table, table + bytes / sizeof(DWORD));
    return true;
}

std::unique_ptr<IProcessHandle> Win32Processes::Open(uint32_t processId) {
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE,
                           processId);
    if (h == nullptr) {
        return nullptr;
    }
    return std::make_unique<Win32ProcessHandle>(h);
}

bool Win32NotifyArea::DeleteIcon(std::u16string_view windowTitle, uint32_t iconId,
                                 uint32_t& error) {
    const std::wstring title = ToWString(windowTitle);
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = FindWindowW(nullptr, title.c_str());
    data.uID = iconId;
    if (Shell_NotifyIconW(NIM_DELETE, &data)) {
        return true;
    }
    error = GetLastError();
    return false;
}

} // namespace hitched
