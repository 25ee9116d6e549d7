#include "app/lang_string.h"

#include "app/hitch_app.h"
#include "app/lang_text.h"
#include "platform/wchar_utf16.h"

namespace hitched {

std::wstring LoadLangStringFrom(HMODULE module, const std::wstring& langFile, UINT nID) {
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    const wchar_t* resource = nullptr;
    const int keyLength = ::LoadStringW(module, nID, reinterpret_cast<LPWSTR>(&resource), 0);
    if (keyLength <= 0 || resource == nullptr) {
        return {};
    }
    const std::wstring key(resource, static_cast<size_t>(keyLength));
    if (langFile.empty()) {
        return key; // no language file at all: as if it were missing
    }
    wchar_t text[kLangTextBufferChars] = {};
    const DWORD length = ::GetPrivateProfileStringW(L"Hitch", key.c_str(), key.c_str(), text,
                                                    kLangTextBufferChars, langFile.c_str());
    return ToWString(UnescapeLangText(ToU16String(std::wstring_view(text, length))));
}

} // namespace hitched

std::wstring LoadLangString(UINT nID) {
    const CHitchApp* pApp = GetHitchApp();
    return hitched::LoadLangStringFrom(::GetModuleHandleW(nullptr),
                                       pApp ? pApp->m_strLangFile : std::wstring(), nID);
}
