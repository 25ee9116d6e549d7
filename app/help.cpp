#include "app/help.h"

#include "app/help_topics.h"
#include "app/language_service.h"
#include "app/module_file.h"
#include "platform/wchar_utf16.h"
#include "res/resource.h"

#include <htmlhelp.h>

namespace hitched {
namespace {

// The class id of the HTML Help control; its registration names the library's path.
constexpr char kHtmlHelpServerKey[] =
    "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr char kHtmlHelpLibrary[] = "hhctrl.ocx";
// HtmlHelpW is exported by ordinal only.
constexpr WORD kHtmlHelpWOrdinal = 15;

} // namespace

namespace {
CHtmlHelpApi* g_pReplacement = nullptr;
}

CHtmlHelpApi& CHtmlHelpApi::Process() {
    static CHtmlHelpApi api;
    return g_pReplacement != nullptr ? *g_pReplacement : api;
}

void CHtmlHelpApi::ReplaceProcess(CHtmlHelpApi* pApi) {
    g_pReplacement = pApi;
}

std::string CHtmlHelpApi::RegisteredLibraryPath() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, kHtmlHelpServerKey, 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return {};
    }
    char path[MAX_PATH] = {};
    DWORD size = sizeof(path) - 1; // keeps a terminator even when the value lacks one
    DWORD type = 0;
    const LONG status =
        ::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    if (type == REG_EXPAND_SZ) {
        char expanded[MAX_PATH] = {};
        const DWORD length = ::ExpandEnvironmentStringsA(path, expanded, MAX_PATH);
        return length > 0 && length <= MAX_PATH ? std::string(expanded) : std::string();
    }
    return std::string(path);
}

HMODULE CHtmlHelpApi::LoadLibraryAt(const std::string& path) {
    return ::LoadLibraryA(path.c_str());
}

CHtmlHelpApi::HtmlHelpFn CHtmlHelpApi::Resolve() {
    if (m_bFailed) {
        return nullptr;
    }
    if (m_hModule == nullptr) {
        const std::string registered = RegisteredLibraryPath();
        if (!registered.empty()) {
            m_hModule = LoadLibraryAt(registered);
        }
        if (m_hModule == nullptr) {
            m_hModule = LoadLibraryAt(kHtmlHelpLibrary);
        }
        if (m_hModule == nullptr) {
            m_bFailed = true;
            return nullptr;
        }
    }
    if (m_pfnHtmlHelp == nullptr) {
        m_pfnHtmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(
            ::GetProcAddress(m_hModule, MAKEINTRESOURCEA(kHtmlHelpWOrdinal))));
        if (m_pfnHtmlHelp == nullptr) {
            m_bFailed = true;
            return nullptr;
        }
    }
    return m_pfnHtmlHelp;
}

HWND CHtmlHelpApi::Call(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData) {
    HtmlHelpFn pfn = Resolve();
    return pfn ? pfn(hwndCaller, pszFile, uCommand, dwData) : nullptr;
}

std::wstring HelpTopicUrl(const std::wstring& topic) {
    return ToWString(BuildHelpTopicUrl(ToU16String(ModuleDirectoryWithoutBackslash()),
                                       ToU16String(LoadLangString(IDS_HELPDOCUMENT)),
                                       ToU16String(topic)));
}

} // namespace hitched

HWND ShowHelpTopic(const std::wstring& topic) {
    const std::wstring url = hitched::HelpTopicUrl(topic);
    return hitched::CHtmlHelpApi::Process().Call(::GetDesktopWindow(), url.c_str(),
                                                 HH_DISPLAY_TOPIC, 0);
}
