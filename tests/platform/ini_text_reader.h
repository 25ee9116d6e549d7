#pragma once
// Test helper: INI text read the way the profile functions read a file: sections and keys
// without regard to case, the first of a repeated key wins, blanks around values trimmed,
// a value in double quotes unquoted, the default for what is missing.
#include "platform/profile_reader.h"

#include <map>
#include <sstream>
#include <string>

namespace hitched::test {

class IniTextReader : public IProfileReader {
public:
    explicit IniTextReader(const std::string& text) {
        std::istringstream lines(text);
        std::u16string section;
        for (std::string line; std::getline(lines, line);) {
            line = Trim(line);
            if (!line.empty() && line[0] == '[') {
                section = Lower(line.substr(1, line.find(']') - 1));
                continue;
            }
            const auto eq = line.find('=');
            if (line.empty() || line[0] == ';' || eq == std::string::npos) {
                continue;
            }
            std::string value = Trim(line.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            m_values.emplace(section + u"\n" + Lower(Trim(line.substr(0, eq))),
                             std::u16string(value.begin(), value.end()));
        }
    }

    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view fallback) override {
        auto found = m_values.find(Lower(section) + u"\n" + Lower(key));
        return found == m_values.end() ? std::u16string(fallback) : found->second;
    }

private:
    template <typename Text> static std::u16string Lower(const Text& text) {
        std::u16string out(text.begin(), text.end());
        for (char16_t& c : out) {
            c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
        }
        return out;
    }
    static std::string Trim(const std::string& text) {
        const auto b = text.find_first_not_of(" \t\r");
        return b == std::string::npos ? "" : text.substr(b, text.find_last_not_of(" \t\r") - b + 1);
    }

    std::map<std::u16string, std::u16string> m_values; // "section\nkey", lower case
};

} // namespace hitched::test
