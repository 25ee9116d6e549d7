#include "wizard/wizard_prompts.h"

namespace {

CWizardPrompts g_realPrompts;
CWizardPrompts* g_prompts = &g_realPrompts;

} // namespace

CWizardPrompts& CWizardPrompts::Process() {
    return *g_prompts;
}

void CWizardPrompts::ReplaceProcess(CWizardPrompts* pPrompts) {
    g_prompts = pPrompts != nullptr ? pPrompts : &g_realPrompts;
}

int CWizardPrompts::MessageBox(HWND hOwner, const std::wstring& text, const std::wstring& caption,
                               UINT nType) {
    return ::MessageBoxW(hOwner, text.c_str(), caption.c_str(), nType);
}

void CWizardPrompts::Pause(DWORD ms) {
    ::Sleep(ms);
}
