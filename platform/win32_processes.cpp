#include "platform/win32_processes.h"

#include "platform/wchar_utf16.h"

#include <windows.h>

#include <tlhelp32.h>
#include <shellapi.h>

namespace hitched {
namespace {

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAW_V1_SIZE == 152, "first version of NOTIFYICONDATAW");
#endif

// A process as the snapshot saw it. Its name comes from the snapshot, which works across
// bitness and for elevated processes (reading another process's module list does neither),
// and the process is opened only to end it, with no more rights than that.
class SnapshotProcess : public IProcessHandle {
public:
    SnapshotProcess(uint32_t id, std::u16string name) : m_id(id), m_name(std::move(name)) {}

    bool FirstModuleBaseName(std::u16string& name) override {
        name = m_name;
        return true;
    }

    bool Terminate(uint32_t exitCode, uint32_t& error) override {
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, m_id);
        if (process == nullptr) {
            error = GetLastError(); // 5 for an elevated process: logged by the caller, once
            return false;
        }
        const bool ended = TerminateProcess(process, exitCode) != FALSE;
        error = ended ? 0 : GetLastError();
        CloseHandle(process);
        return ended;
    }

private:
    uint32_t m_id;
    std::u16string m_name;
};

} // namespace

bool Win32Processes::ProcessIds(std::vector<uint32_t>& ids) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    ids.clear();
    m_names.clear();
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        ids.push_back(entry.th32ProcessID);
        m_names[entry.th32ProcessID] = AsUtf16(entry.szExeFile);
    }
    CloseHandle(snapshot);
    return true;
}

std::unique_ptr<IProcessHandle> Win32Processes::Open(uint32_t processId) {
    const auto found = m_names.find(processId);
    if (found == m_names.end()) {
        return nullptr; // not in the last snapshot
    }
    return std::make_unique<SnapshotProcess>(processId, found->second);
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
