#pragma once
#include <windows.h>

#include <string>

// The localized text of a string-table id: the table holds the key name, the application's
// language file ([Hitch] section) the text, read anew on every call. A missing file or key
// gives the key name itself, an id the table lacks the empty text. Any thread may call it.
std::wstring LoadLangString(UINT nID);

namespace hitched {

// Longest text a lookup returns; longer values are cut.
constexpr DWORD kLangTextBufferChars = 1024;

// LoadLangString with the string table of `module` and the language file `langFile`.
std::wstring LoadLangStringFrom(HMODULE module, const std::wstring& langFile, UINT nID);

} // namespace hitched
