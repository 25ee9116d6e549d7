#pragma once

class CDialog;

// The program's main window, not yet created: the wizard frame, which provides this function.
// The application object owns it without knowing its class, so app/ needs no wizard header.
// nullptr when it cannot be allocated.
CDialog* NewMainDialog();
