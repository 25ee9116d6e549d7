// The shipped English language file against the string table: every key has a text, the texts
// survive the profile functions unchanged, and nothing is left over.
#include "app/lang_text.h"
#include "app/string_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
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
    std::string section;
    std::string line;
    while (std::getline(in, line)) {
        for (unsigned char c : line) {
            file.ascii = file.ascii && c < 0x80;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            if (section != "Hitch") {
                file.otherSections.insert(section);
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (section != "Hitch" || eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        file.keys.insert(key);
        file.hitch[key] = line.substr(eq + 1);
    }
    return file;
}

} // namespace

TEST(LanguageFile, EveryKeyOfTheStringTableHasAText) {
    const LanguageFile file = ReadShippedFile();
    std::set<std::string> tableKeys;
    for (const auto& entry : hitched::LangStringTable()) {
        tableKeys.insert(entry.key);
        auto it = file.hitch.find(entry.key);
        ASSERT_NE(it, file.hitch.end()) << "no text for " << entry.key;
        EXPECT_FALSE(it->second.empty()) << entry.key;
    }
    for (const auto& [key, value] : file.hitch) {
        EXPECT_TRUE(tableKeys.count(key)) << "key not in the string table: " << key;
        EXPECT_EQ(file.keys.count(key), 1u) << "key given twice: " << key;
    }
    EXPECT_TRUE(file.otherSections.empty());
    EXPECT_EQ(file.hitch.size(), 73u); // 74 ids, one key shared
}

TEST(LanguageFile, TextsComeBackAsWrittenFromTheProfileFunctions) {
    const LanguageFile file = ReadShippedFile();
    // Plain ASCII reads the same under every ANSI code page.
    EXPECT_TRUE(file.ascii);
    for (const auto& [key, value] : file.hitch) {
        // The profile functions strip surrounding blanks and one pair of quotes, and cut at
        // 1023 characters.
        ASSERT_FALSE(value.empty()) << key;
        EXPECT_NE(value.front(), ' ') << key;
        EXPECT_NE(value.back(), ' ') << key;
        EXPECT_FALSE(value.front() == '"' && value.back() == '"') << key;
        EXPECT_FALSE(value.front() == '\'' && value.back() == '\'') << key;
        const std::u16string text =
            hitched::UnescapeLangText(std::u16string(value.begin(), value.end()));
        EXPECT_LE(value.size(), hitched::kMaxLangTextLength) << key;
        EXPECT_LE(text.size(), hitched::kMaxLangTextLength) << key;
    }
}

TEST(LanguageFile, HelpKeysNameTheCompiledHelpFileAndItsPages) {
    const LanguageFile file = ReadShippedFile();
    const std::string document = file.hitch.at("IDS_HELPDOCUMENT");
    EXPECT_EQ(document, "hitched.chm");
    for (const char* topic :
         {"IDS_HELPDOC_CABLE", "IDS_HELPDOC_IRDA", "IDS_HELPDOC_BULETH", "IDS_HELPDOC_WIZARD",
          "IDS_HELPDOC_TYPE", "IDS_HELPDOC_BTPAIR", "IDS_HELPDOC_COMPL"}) {
        const std::string page = file.hitch.at(topic);
        ASSERT_GT(page.size(), 4u) << topic;
        EXPECT_EQ(page.substr(page.size() - 4), ".htm") << topic;
        EXPECT_EQ(page.find_first_of("\\: "), std::string::npos) << topic;
    }
}
