// Localized text as the windows get it: the installed language file, read by key name on every
// call, and the compiled string table against the portable list of keys.
#include "app/string_table.h"
#include "res/resource.h"

#include "../support/installed_language_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using hitched::test::InstalledLanguageFile;

TEST(LanguageService, TextsAreReadByKeyNameFromTheInstalledFileOnEveryCall) {
    const struct {
        const char* file; // nullptr: no file
        UINT id;
        const wchar_t* text;
    } cases[] = {
        {"[Hitch]\r\nAFX_IDS_APP_TITLE=Connection Wizard\r\n", AFX_IDS_APP_TITLE,
         L"Connection Wizard"},
        {"[Hitch]\r\nAFX_IDS_APP_TITLE=Wizard\r\n", AFX_IDS_APP_TITLE, L"Wizard"},
        {"[Hitch]\r\nAFX_IDS_APP_TITLE=Wizard\r\n", IDS_STRING_BTCAPTION_HELP,
         L"IDS_STRING_BTCAPTION_HELP"},
        {"[Other]\r\nAFX_IDS_APP_TITLE=elsewhere\r\n", AFX_IDS_APP_TITLE, L"AFX_IDS_APP_TITLE"},
        {nullptr, IDS_STRING_BTCAPTION_NEXT, L"IDS_STRING_BTCAPTION_NEXT"},
        {"[Hitch]\r\nIDS_STRING_STATEMENT=first\\nsecond\\r\\nthird\r\n", IDS_STRING_STATEMENT,
         L"first\nsecond\r\nthird"},
        {"[Hitch]\r\nIDS_STRING_DETECT=C:\\temp and \\t tab\r\n", IDS_STRING_DETECT,
         L"C:\\temp and \\t tab"},
        {"[Hitch]\r\nIDS_STRING_STUDY_ONLINE_TIPS=\r\n", IDS_STRING_STUDY_ONLINE_TIPS, L""},
        {"[Hitch]\r\nIDS_STRING_USB_ERROR_SEG_1=On.\r\nIDS_STRING_USB_ERROR_SEG_3=never\r\n",
         IDS_STRING_USB_ERROR_SEG_3, L"On."},
        {"[Hitch]\r\n=empty key\r\n", 57410, L""},
        {"[Hitch]\r\n=empty key\r\n", 9, L""},
    };
    InstalledLanguageFile language;
    for (const auto& c : cases) {
        if (c.file != nullptr) {
            language.Write(c.file);
        } else {
            ::DeleteFileW(language.Path().c_str());
        }
        EXPECT_EQ(LoadLangString(c.id), c.text) << c.id << " " << (c.file ? c.file : "no file");
    }
    // A UTF-16 file with its byte-order mark carries any language.
    const std::wstring title = L"Verbindungs\u00e4ssistent \u2013 \u624b\u673a";
    TempFolder::WriteUtf16(language.Path(), L"[Hitch]\r\nAFX_IDS_APP_TITLE=" + title + L"\r\n");
    EXPECT_EQ(LoadLangString(AFX_IDS_APP_TITLE), title);
    // Without any source installed every text is its key name.
    const hitched::LanguageSource installed = hitched::SetLanguageSource({});
    EXPECT_EQ(LoadLangString(IDS_STRING_BTCAPTION_CANCEL), L"IDS_STRING_BTCAPTION_CANCEL");
    hitched::SetLanguageSource(installed);
}

TEST(LanguageService, LongValueIsCutTo1023Characters) {
    std::string value;
    for (int i = 0; i < 2000; ++i) {
        value.push_back(static_cast<char>('a' + i % 26));
    }
    InstalledLanguageFile language({{"IDS_STRING_BT_ERROR_SEG_1", value}});
    EXPECT_EQ(LoadLangString(IDS_STRING_BT_ERROR_SEG_1),
              std::wstring(value.begin(), value.begin() + 1023));
}

// The compiled string table and the portable list of keys must never drift apart: every id
// of the list loads its key, and no other id in the whole range loads anything.
TEST(StringTableResource, HoldsExactlyTheListedIdsAndKeys) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    for (const auto& entry : hitched::LangStringTable()) {
        const wchar_t* text = nullptr;
        const int length = ::LoadStringW(module, entry.id, reinterpret_cast<LPWSTR>(&text), 0);
        ASSERT_GT(length, 0) << "id " << entry.id << " missing from the resources";
        const std::string key(entry.key);
        EXPECT_EQ(std::wstring(text, length), std::wstring(key.begin(), key.end()))
            << "id " << entry.id;
    }
    std::vector<unsigned> found;
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        const wchar_t* text = nullptr;
        if (::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0) > 0) {
            found.push_back(id);
        }
    }
    EXPECT_EQ(found.size(), hitched::kLangStringCount);
}
