#pragma once
// The process and notification-area seams over the process status functions and the shell.
// These work under Wine as they do on Windows, so they have no simulated twin.
#include "platform/processes.h"

namespace hitched {

class Win32Processes : public IProcesses {
public:
    bool ProcessIds(std::vector<uint32_t>& ids) override;
    std::unique_ptr<IProcessHandle> Open(uint32_t processId) override;
};

class Win32NotifyArea : public INotifyArea {
public:
    bool DeleteIcon(std::u16string_view windowTitle, uint32_t iconId, uint32_t& error) override;
};

} // namespace hitched
