#pragma once
#include <windows.h>

#include <string>

// Opens one topic of the compiled help file (named by IDS_HELPDOCUMENT, beside the
// executable) in a help window owned by the desktop, so it stays when the wizard hides.
// Returns the help window or nullptr; callers ignore it. Does nothing when HTML Help is
// missing.
HWND ShowHelpTopic(const std::wstring& topic);

namespace hitched {

// The URL ShowHelpTopic opens: "<exe directory>\<help file>::/<topic>".
std::wstring HelpTopicUrl(const std::wstring& topic);

// HtmlHelpW, loaded from the system's HTML Help control on first use. A failed load is
// remembered: no later call tries again, every call then answers nullptr.
class CHtmlHelpApi {
public:
    using HtmlHelpFn = HWND(WINAPI*)(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand,
                                     DWORD_PTR dwData);

    virtual ~CHtmlHelpApi() = default;

    // The process-wide loader ShowHelpTopic uses.
    static CHtmlHelpApi& Process();
    // Puts another object in its place (nullptr: the loader again); tests record the help
    // requests of the windows this way instead of opening help windows.
    static void ReplaceProcess(CHtmlHelpApi* pApi);

    virtual HWND Call(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData);
    // Loads the library and finds the function if not done yet; nullptr when it failed.
    HtmlHelpFn Resolve();
    bool Failed() const { return m_bFailed; }

protected:
    // Where the library is registered (the default value of its InprocServer32 key), or
    // empty when the key cannot be read.
    virtual std::string RegisteredLibraryPath();
    virtual HMODULE LoadLibraryAt(const std::string& path);

private:
    HMODULE m_hModule = nullptr;
    HtmlHelpFn m_pfnHtmlHelp = nullptr;
    bool m_bFailed = false;
};

} // namespace hitched
