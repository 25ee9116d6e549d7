#pragma once
#include <windows.h>

#include <string>

// Localized text for the whole process. The string table of one module holds the key names,
// a language file ([Hitch] section) the texts. The application installs both once at
// start-up; windows only ask for a text by id and never learn where it came from.
namespace hitched {

struct LanguageSource {
    HMODULE module = nullptr; // nullptr: the executable's own string table
    std::wstring file;        // empty: no language file, every text is its key name
};

// Installs the source every later lookup reads, from any thread; returns the one it replaces.
LanguageSource SetLanguageSource(LanguageSource source);

// Longest text a lookup returns; longer values are cut.
constexpr DWORD kLangTextBufferChars = 1024;

// One lookup against a given table and file: the file is read anew on every call. A missing
// file or key gives the key name itself, an id the table lacks the empty text.
std::wstring LoadLangStringFrom(HMODULE module, const std::wstring& langFile, UINT nID);

} // namespace hitched

// The localized text of a string-table id from the installed source.
std::wstring LoadLangString(UINT nID);
