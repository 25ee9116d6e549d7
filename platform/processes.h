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
    // The process's executable file name, "Relaybox.exe" say.
    virtual bool FirstModuleBaseName(std::u16string& name) = 0;
    // Ends the process; on failure `error` holds GetLastError (5: not ours to end).
    virtual bool Terminate(uint32_t exitCode, uint32_t& error) = 0;
};

class IProcesses {
public:
    virtual ~IProcesses() = default;
    // The IDs of the running processes; false when they cannot be listed.
    virtual bool ProcessIds(std::vector<uint32_t>& ids) = 0;
    // One of the listed processes; null when it is not known (any more).
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
