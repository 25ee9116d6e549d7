#pragma once
// What ending the conflicting hub program asks the system: the running processes, their first
// module's base name, ending one, and removing a window's notification-area icon.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hitched {

class IProcessHandle {
public:
    virtual ~IProcessHandle() = default;
    // Base name of the process's first module (EnumProcessModules, GetModuleBaseNameW, 260).
    virtual bool FirstModuleBaseName(std::u16string& name) = 0;
    // TerminateProcess; on failure `error` holds GetLastError.
    virtual bool Terminate(uint32_t exitCode, uint32_t& error) = 0;
};

class IProcesses {
public:
    virtual ~IProcesses() = default;
    // EnumProcesses into a table of 1,024 IDs; false when the call fails.
    virtual bool ProcessIds(std::vector<uint32_t>& ids) = 0;
    // OpenProcess with query, read and terminate rights; null when it cannot be opened.
    virtual std::unique_ptr<IProcessHandle> Open(uint32_t processId) = 0;
};

class INotifyArea {
public:
    virtual ~INotifyArea() = default;
    // Finds the top-level window with the title and deletes its icon with the ID
    // (Shell_NotifyIconW NIM_DELETE, first-version NOTIFYICONDATAW). On failure `error` holds
    // GetLastError.
    virtual bool DeleteIcon(std::u16string_view windowTitle, uint32_t iconId, uint32_t& error) = 0;
};

} // namespace hitched
