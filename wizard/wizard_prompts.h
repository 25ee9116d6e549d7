#pragma once
// The frame's message boxes and its pause after unpairing, in one place: the program shows and
// waits for real, tests put a recorder in their place so that nothing blocks them.
#include <windows.h>

#include <string>

class CWizardPrompts {
public:
    virtual ~CWizardPrompts() = default;

    // The process-wide object the frame uses.
    static CWizardPrompts& Process();
    // Puts another object in its place (nullptr: the real one again).
    static void ReplaceProcess(CWizardPrompts* pPrompts);

    virtual int MessageBox(HWND hOwner, const std::wstring& text, const std::wstring& caption,
                           UINT nType);
    virtual void Pause(DWORD ms);
};
