#pragma once
// The process and notification-area seams over the process status functions and the shell.
// These work under Wine as they do on Windows, so they have no simulated twin.
#include "platform/processes.h"

#include <map>

namespace hitched {

// Over a toolhelp snapshot: every process whatever its bitness or rights, no fixed limit.
// Open answers for the processes of the last ProcessIds call.
class Win32Processes : public IProcesses {
public:
    bool ProcessIds(std::vector<uint32_t>& ids) override;
    std::unique_ptr<IProcessHandle> Open(uint32_t processId) override;

private:
    std::map<uint32_t, std::u16string> m_names; // executable file name per process ID
};

class Win32NotifyArea : public INotifyArea {
public:
    bool DeleteIcon(std::u16string_view windowTitle, uint32_t iconId, uint32_t& error) override;
};

} // namespace hitched
