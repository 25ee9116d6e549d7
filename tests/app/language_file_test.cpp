// The shipped English language file against the string table, and the text rules every lookup
// applies: every key has a text that survives the profile functions, nothing is left over.
#include "app/lang_text.h"
#include "app/string_table.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

struct LanguageFile {
    std::map<std::string, std::string> hitch; // [Hitch] keys and values
    std::multiset<std::string> keys;          // for duplicates
    std::set<std::string> otherSections;
    bool ascii = true;
};

LanguageFile ReadShippedFile() {
    LanguageFile file;
    std::ifstream in(HITCHED_LANGUAGE_FILE, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << HITCHED_LANGUAGE_FILE;
    std::string section, line;
    while (std::getline(in, line)) {
        for (unsigned char c : line) {
            file.ascii = file.ascii && c < 0x80;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t eq = line.find('=');
        if (!line.empty() && line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            if (section != "Hitch") {
                file.otherSections.insert(section);
            }
        } else if (section == "Hitch" && eq != std::string::npos && line[0] != ';') {
            file.keys.insert(line.substr(0, eq));
            file.hitch[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return file;
}

} // namespace

TEST(LanguageFile, EveryKeyOfTheStringTableHasATextThatReadsBackAsWritten) {
    const LanguageFile file = ReadShippedFile();
    std::set<std::string> tableKeys;
    for (const auto& entry : hitched::LangStringTable()) {
        tableKeys.insert(entry.key);
        EXPECT_TRUE(file.hitch.count(entry.key)) << "no text for " << entry.key;
    }
    EXPECT_TRUE(file.otherSections.empty());
    EXPECT_TRUE(file.ascii) << "plain ASCII reads the same under every ANSI code page";
    EXPECT_EQ(file.hitch.size(), tableKeys.size());
    for (const auto& [key, value] : file.hitch) {
        EXPECT_TRUE(tableKeys.count(key)) << "key not in the string table: " << key;
        EXPECT_EQ(file.keys.count(key), 1u) << "key given twice: " << key;
        // The profile functions strip surrounding blanks and one pair of quotes, and cut at
        // 1023 characters.
        ASSERT_FALSE(value.empty()) << key;
        EXPECT_NE(value.front(), ' ') << key;
        EXPECT_NE(value.back(), ' ') << key;
        EXPECT_FALSE(value.size() > 1 && value.front() == value.back() &&
                     (value.front() == '"' || value.front() == '\''))
            << key;
        EXPECT_LE(value.size(), hitched::kMaxLangTextLength) << key;
    }
    // The help keys name the compiled help file and pages inside it.
    EXPECT_EQ(file.hitch.at("IDS_HELPDOCUMENT"), "hitched.chm");
    for (const auto& entry : hitched::LangStringTable()) {
        const std::string key = entry.key;
        const auto found = file.hitch.find(key);
        const std::string page = found != file.hitch.end() ? found->second : std::string();
        if (key.rfind("IDS_HELPDOC_", 0) == 0) {
            ASSERT_GT(page.size(), 4u) << key;
            EXPECT_EQ(page.substr(page.size() - 4), ".htm") << key;
            EXPECT_EQ(page.find_first_of("\\: "), std::string::npos) << key;
        }
    }
}

TEST(LanguageFile, OnlyTheUsbSegmentKeyRepeatsAndUnknownIdsHaveNoKey) {
    std::multiset<std::string> keys;
    for (const auto& entry : hitched::LangStringTable()) {
        keys.insert(entry.key);
    }
    for (const std::string& key : keys) {
        EXPECT_EQ(keys.count(key), key == "IDS_STRING_USB_ERROR_SEG_1" ? 2u : 1u) << key;
    }
    EXPECT_STREQ(hitched::LangStringKey(IDS_STRING_USB_ERROR_SEG_3), "IDS_STRING_USB_ERROR_SEG_1");
    for (unsigned id : {0u, 9u, 57343u, 57410u, 65535u}) {
        EXPECT_EQ(hitched::LangStringKey(id), nullptr) << id;
    }
}

TEST(LanguageFile, BackslashNIsUnescapedBeforeBackslashRAndOtherEscapesStay) {
    using hitched::UnescapeLangText;
    EXPECT_EQ(UnescapeLangText(u"a\\r\\nb\\nc"), u"a\r\nb\nc");
    EXPECT_EQ(UnescapeLangText(u"x\\\\ny"), u"x\\\ny"); // the escape is eaten, not the backslash
    EXPECT_EQ(UnescapeLangText(u"C:\\temp\\file \\"), u"C:\\temp\\file \\");
}
