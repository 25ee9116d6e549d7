#include "app/hitch_app.h"
#include "app/lang_string.h"
#include "app/string_table.h"
#include "res/resource.h"
#include "temp_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LangStringTest : public ::testing::Test {
protected:
    void SetUp() override { m_app.m_strLangFile = m_folder.File(L"language.lgg"); }

    void WriteLanguageFile(const std::string& hitchSection) {
        TempFolder::WriteBytes(m_app.m_strLangFile, "[Hitch]\r\n" + hitchSection);
    }

    TempFolder m_folder;
    CHitchApp m_app; // LoadLangString reads the application's language file
};

} // namespace

TEST_F(LangStringTest, TextsComeFromTheHitchSectionByKeyName) {
    WriteLanguageFile("AFX_IDS_APP_TITLE=Connection Wizard\r\n"
                      "IDS_STRING_BTCAPTION_NEXT=Next >\r\n"
                      "IDS_HELPDOCUMENT=hitched.chm\r\n");
    EXPECT_EQ(LoadLangString(AFX_IDS_APP_TITLE), L"Connection Wizard");
    EXPECT_EQ(LoadLangString(IDS_STRING_BTCAPTION_NEXT), L"Next >");
    EXPECT_EQ(LoadLangString(IDS_HELPDOCUMENT), L"hitched.chm");
    // A key of the file that is not asked for changes nothing; a key it lacks reads as its name.
    EXPECT_EQ(LoadLangString(IDS_STRING_BTCAPTION_HELP), L"IDS_STRING_BTCAPTION_HELP");
}

TEST_F(LangStringTest, OnlyBackslashNAndBackslashRAreUnescaped) {
    WriteLanguageFile("IDS_STRING_STATEMENT=first\\nsecond\r\n"
                      "IDS_STRING_STATEMENT2=a\\r\\nb\r\n"
                      "IDS_STRING_DETECT=C:\\temp\\x and \\t tab\r\n");
    EXPECT_EQ(LoadLangString(IDS_STRING_STATEMENT), L"first\nsecond");
    EXPECT_EQ(LoadLangString(IDS_STRING_STATEMENT2), L"a\r\nb");
    EXPECT_EQ(LoadLangString(IDS_STRING_DETECT), L"C:\\temp\\x and \\t tab");
}

TEST_F(LangStringTest, MissingFileSectionOrKeyGivesTheKeyName) {
    EXPECT_EQ(LoadLangString(IDS_STRING_BTCAPTION_NEXT), L"IDS_STRING_BTCAPTION_NEXT");
    EXPECT_EQ(LoadLangString(AFX_IDS_APP_TITLE), L"AFX_IDS_APP_TITLE");
    TempFolder::WriteBytes(m_app.m_strLangFile, "[Other]\r\nAFX_IDS_APP_TITLE=elsewhere\r\n");
    EXPECT_EQ(LoadLangString(AFX_IDS_APP_TITLE), L"AFX_IDS_APP_TITLE");
}

TEST_F(LangStringTest, EmptyValueIsAnEmptyTextNotTheKeyName) {
    WriteLanguageFile("IDS_STRING_STUDY_ONLINE_TIPS=\r\nIDS_STRING_OK=OK\r\n");
    EXPECT_EQ(LoadLangString(IDS_STRING_STUDY_ONLINE_TIPS), L"");
    EXPECT_EQ(LoadLangString(IDS_STRING_OK), L"OK");
}

TEST_F(LangStringTest, LongValueIsCutTo1023Characters) {
    std::string value;
    for (int i = 0; i < 2000; ++i) {
        value.push_back(static_cast<char>('a' + i % 26));
    }
    WriteLanguageFile("IDS_STRING_BT_ERROR_SEG_1=" + value + "\r\n");
    const std::wstring text = LoadLangString(IDS_STRING_BT_ERROR_SEG_1);
    ASSERT_EQ(text.size(), 1023u);
    EXPECT_EQ(text, std::wstring(value.begin(), value.begin() + 1023));
}

TEST_F(LangStringTest, IdOutsideTheTableIsEmptyWithoutReadingTheFile) {
    WriteLanguageFile("=text of an empty key\r\nIDS_STRING_USB_ERROR_SEG_3=x\r\n");
    for (UINT id : {0u, 9u, 57343u, 57410u, 60000u}) {
        EXPECT_EQ(LoadLangString(id), L"") << id;
    }
}

TEST_F(LangStringTest, Ids57376And57378ShowTheSameText) {
    WriteLanguageFile("IDS_STRING_USB_ERROR_SEG_1=Switch the phone on.\r\n"
                      "IDS_STRING_USB_ERROR_SEG_3=never shown\r\n");
    EXPECT_EQ(LoadLangString(57376), L"Switch the phone on.");
    EXPECT_EQ(LoadLangString(57378), L"Switch the phone on.");
    ::DeleteFileW(m_app.m_strLangFile.c_str());
    EXPECT_EQ(LoadLangString(57378), L"IDS_STRING_USB_ERROR_SEG_1");
}

TEST_F(LangStringTest, EveryCallReadsTheFileAgain) {
    WriteLanguageFile("IDS_STRING_OK=OK\r\n");
    EXPECT_EQ(LoadLangString(IDS_STRING_OK), L"OK");
    WriteLanguageFile("IDS_STRING_OK=Fine\r\n");
    EXPECT_EQ(LoadLangString(IDS_STRING_OK), L"Fine");
}

TEST_F(LangStringTest, Utf16FileWithByteOrderMarkCarriesAnyLanguage) {
    const std::wstring title = L"Verbindungs\u00e4ssistent \u2013 \u624b\u673a";
    TempFolder::WriteUtf16(m_app.m_strLangFile, L"[Hitch]\r\nAFX_IDS_APP_TITLE=" + title +
                                                    L"\r\nIDS_STRING_OK=O\\nK\r\n");
    EXPECT_EQ(LoadLangString(AFX_IDS_APP_TITLE), title);
    EXPECT_EQ(LoadLangString(IDS_STRING_OK), L"O\nK");
}

TEST(LangStringWithoutApp, KeyNamesAreTheTexts) {
    ASSERT_EQ(GetHitchApp(), nullptr);
    EXPECT_EQ(LoadLangString(IDS_STRING_BTCAPTION_CANCEL), L"IDS_STRING_BTCAPTION_CANCEL");
    EXPECT_EQ(LoadLangString(12345), L"");
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
