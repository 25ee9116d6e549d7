// Localized text as the windows get it: the installed language file read by key name on every
// call; the compiled string table, the portable list of keys and the shipped language file
// read through the same profile functions.
#include "app/lang_text.h"
#include "app/string_table.h"
#include "platform/wchar_utf16.h"
#include "res/resource.h"

#include "../support/installed_language_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

TEST(LanguageService, TextsAreReadByKeyNameFromTheInstalledFileOnEveryCall) {
    const struct {
        const char* file; // empty: no file
        UINT id;
        const wchar_t* text;
    } cases[] = {
        {"[Hitch]\r\nAFX_IDS_APP_TITLE=Connection Wizard", AFX_IDS_APP_TITLE, L"Connection Wizard"},
        {"[Hitch]\r\nAFX_IDS_APP_TITLE=Wizard", AFX_IDS_APP_TITLE, L"Wizard"},
        {"[Hitch]\r\nAFX_IDS_APP_TITLE=Wizard", IDS_STRING_OK, L"IDS_STRING_OK"},
        {"", IDS_STRING_BTCAPTION_NEXT, L"IDS_STRING_BTCAPTION_NEXT"},
        {"[Hitch]\r\nIDS_STRING_DETECT=1\\n2\\r\\n3 C:\\t", IDS_STRING_DETECT, L"1\n2\r\n3 C:\\t"},
        {"[Hitch]\r\nIDS_STRING_STUDY_ONLINE_TIPS=", IDS_STRING_STUDY_ONLINE_TIPS, L""},
        {"[Hitch]\r\nIDS_STRING_USB_ERROR_SEG_1=On.\r\nIDS_STRING_USB_ERROR_SEG_3=never",
         IDS_STRING_USB_ERROR_SEG_3, L"On."},
        {"[Hitch]\r\n=empty key", 57410, L""},
    };
    hitched::test::InstalledLanguageFile language;
    for (const auto& c : cases) {
        language.Write(c.file);
        if (!*c.file) {
            ::DeleteFileW(language.Path().c_str());
        }
        EXPECT_EQ(LoadLangString(c.id), c.text) << c.id << " " << c.file;
    }
    // A UTF-16 file with its byte-order mark carries any language.
    const std::wstring title = L"Verbindungs\u00e4ssistent \u2013 \u624b\u673a";
    TempFolder::WriteUtf16(language.Path(), L"[Hitch]\r\nAFX_IDS_APP_TITLE=" + title);
    EXPECT_EQ(LoadLangString(AFX_IDS_APP_TITLE), title);
    // The longest text is 1023 characters.
    language.Write("[Hitch]\r\nIDS_STRING_OK=" + std::string(1100, 'k'));
    EXPECT_EQ(LoadLangString(IDS_STRING_OK), std::wstring(1023, L'k'));
}

// The compiled string table and the portable list of keys never drift apart: every id of the
// list loads its key and no other id loads anything. The shipped language file has one text
// for each key, nothing else, and each text reads back as written (ASCII, so under every code
// page; no blanks or quotes that the profile functions would strip; not cut).
TEST(StringTableResource, TheCompiledTableTheListOfKeysAndTheShippedFileAgree) {
    const wchar_t kShipped[] = L"" HITCHED_LANGUAGE_FILE;
    HMODULE module = ::GetModuleHandleW(nullptr);
    std::map<std::wstring, std::wstring> shipped; // key: text through the profile functions
    for (const auto& entry : hitched::LangStringTable()) {
        const std::wstring key(entry.key, entry.key + std::strlen(entry.key));
        EXPECT_EQ(hitched::LoadLangStringFrom(module, L"", entry.id), key) << entry.key;
        shipped[key] = hitched::LoadLangStringFrom(module, kShipped, entry.id);
    }
    int loaded = 0;
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        loaded += !hitched::LoadLangStringFrom(module, L"", id).empty();
    }
    EXPECT_EQ(loaded, int(hitched::kLangStringCount));

    wchar_t names[64] = {}, lines[32768] = {};
    const DWORD length = ::GetPrivateProfileSectionNamesW(names, 64, kShipped);
    EXPECT_EQ(std::wstring(names, length), std::wstring(L"Hitch", 6)) << "[Hitch] only";
    ::GetPrivateProfileSectionW(L"Hitch", lines, 32768, kShipped);
    std::set<std::wstring> seen;
    for (const wchar_t* line = lines; *line != 0; line += std::wcslen(line) + 1) {
        const std::wstring text(line), key = text.substr(0, text.find(L'='));
        const std::wstring raw = text.substr(key.size() + 1);
        EXPECT_TRUE(seen.insert(key).second) << "key given twice";
        ASSERT_TRUE(shipped.count(key)) << "key not in the string table";
        EXPECT_FALSE(raw.empty());
        EXPECT_EQ(shipped[key],
                  hitched::ToWString(hitched::UnescapeLangText(hitched::ToU16String(raw))));
        EXPECT_TRUE(key.rfind(L"IDS_HELPDOC_", 0) != 0 || raw.rfind(L".htm") + 4 == raw.size());
    }
    EXPECT_EQ(seen.size(), shipped.size());
    EXPECT_EQ(shipped[L"IDS_HELPDOCUMENT"], L"hitched.chm");
    std::ifstream in(kShipped, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > 0; }));
    EXPECT_EQ(bytes.find("= "), std::string::npos);
    EXPECT_EQ(bytes.find(" \r"), std::string::npos);
}
