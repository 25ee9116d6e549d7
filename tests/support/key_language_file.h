#pragma once
// A language file whose every text is its own key in angle brackets
// ("AFX_IDS_APP_TITLE=<AFX_IDS_APP_TITLE>"): a test then checks which key a window shows
// instead of repeating a translation, and a text taken from the wrong key shows at once.
#include "app/string_table.h"

#include <map>
#include <string>

namespace hitched::test {

// The text the key language file gives a string-table id ("<KEY>"), or empty for an id the
// table lacks.
inline std::wstring KeyText(unsigned id) {
    const char* key = LangStringKey(id);
    return key ? L"<" + std::wstring(key, key + std::char_traits<char>::length(key)) + L">"
               : std::wstring();
}

// The whole file, section [Hitch], one line per row of the string table; `texts` gives a few
// keys a test's own text instead (escapes and all, as a translator writes them).
inline std::string KeyLanguageFile(const std::map<std::string, std::string>& texts = {}) {
    std::string file = "[Hitch]\r\n";
    for (const LangStringEntry& entry : LangStringTable()) {
        const auto own = texts.find(entry.key);
        file += std::string(entry.key) + "=" +
                (own != texts.end() ? own->second : "<" + std::string(entry.key) + ">") + "\r\n";
    }
    return file;
}

} // namespace hitched::test
