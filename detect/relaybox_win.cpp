// Ending the hub program on the real process list and notification area.
#include "detect/relaybox.h"

#include "platform/win32_processes.h"

void TerminateRelaybox() {
    hitched::Win32Processes processes;
    hitched::Win32NotifyArea notifyArea;
    TerminateRelaybox(processes, notifyArea);
}
