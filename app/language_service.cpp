#include "app/language_service.h"

#include "app/lang_text.h"
#include "platform/wchar_utf16.h"

#include <mutex>

namespace hitched {
namespace {

std::mutex g_sourceLock;
LanguageSource g_source;

LanguageSource CurrentSource() {
    std::lock_guard<std::mutex> lock(g_sourceLock);
    return g_source;
}

} // namespace

LanguageSource SetLanguageSource(LanguageSource source) {
    std::lock_guard<std::mutex> lock(g_sourceLock);
    std::swap(g_source, source);
    return source;
}

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
    const hitched::LanguageSource source = hitched::CurrentSource();
    return hitched::LoadLangStringFrom(
        source.module != nullptr ? source.module : ::GetModuleHandleW(nullptr), source.file, nID);
}
