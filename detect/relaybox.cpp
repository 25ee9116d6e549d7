#include "detect/relaybox.h"

#include "app/trace.h"

#include <vector>

namespace hitched {
namespace {

constexpr std::u16string_view kRelayboxModule = u"Relaybox.exe";
constexpr std::u16string_view kRelayboxWindow = u"Relaybox";
constexpr uint32_t kRelayboxIconId = 129;

std::u16string ModuleName(IProcessHandle* process) {
    std::u16string name;
    if (process == nullptr || !process->FirstModuleBaseName(name)) {
        return u"<unknown>";
    }
    return name;
}

} // namespace
} // namespace hitched

void TerminateRelaybox(hitched::IProcesses& processes, hitched::INotifyArea& notifyArea) {
    using namespace hitched;
    std::vector<uint32_t> ids;
    if (!processes.ProcessIds(ids)) {
        return;
    }
    for (uint32_t id : ids) {
        std::unique_ptr<IProcessHandle> process = processes.Open(id);
        if (ModuleName(process.get()) != kRelayboxModule) {
            continue;
        }
        uint32_t error = 0;
        // Removed first: an ended process leaves its icon until the mouse passes over it.
        if (!notifyArea.DeleteIcon(kRelayboxWindow, kRelayboxIconId, error)) {
            Trace(u"Shell_NotifyIcon Relaybox.exe failed,errorcode: %d\n", static_cast<int>(error));
        }
        error = 0;
        if (!process->Terminate(0, error)) {
            Trace(u"TerminateProcess Relaybox.exe failed,errorcode: %d\n", static_cast<int>(error));
        }
    }
}
