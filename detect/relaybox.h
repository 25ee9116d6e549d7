#pragma once
// The hub program Relaybox.exe conflicts with the DAV device's ports: when the device goes
// away the program is ended and its notification-area icon removed (an ended process leaves
// its icon behind until the mouse passes over it).
#include "platform/processes.h"

// Ends every process whose first module is named exactly "Relaybox.exe" (case-sensitive).
// Failures are only logged.
void TerminateRelaybox(hitched::IProcesses& processes, hitched::INotifyArea& notifyArea);

#ifdef _WIN32
// The same over the process status functions and the shell.
void TerminateRelaybox();
#endif
