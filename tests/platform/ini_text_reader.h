#pragma once
// Test helper: INI text read the way the profile functions read a file: sections and keys
// without regard to case, the first of a repeated key wins, blanks around values trimmed,
// a value in double quotes unquoted, the default for what is missing.
#include "platform/profile_reader.h"

#include <map>
#include <string>

namespace hitched::test {

class IniTextReader : public IProfileReader {
public:
    explicit IniTextReader(const std::string& text) { Parse(text); }

    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view fallback) override {
        auto s = m_sections.find(Lower(section));
        if (s == m_sections.end()) {
            return std::u16string(fallback);
        }
        auto k = s->second.find(Lower(key));
        return k == s->second.end() ? std::u16string(fallback) : k->second;
    }

private:
    static std::u16string Lower(std::u16string_view text) {
        std::u16string out(text);
        for (char16_t& c : out) {
            if (c >= u'A' && c <= u'Z') {
                c = static_cast<char16_t>(c + 32);
            }
        }
        return out;
    }
    static std::u16string Widen(const std::string& text) {
        return std::u16string(text.begin(), text.end());
    }
    static std::string Trim(const std::string& text) {
        const auto b = text.find_first_not_of(" \t\r");
        const auto e = text.find_last_not_of(" \t\r");
        return b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
    }

    void Parse(const std::string& text) {
        std::u16string section;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                end = text.size();
            }
            const std::string line = Trim(text.substr(start, end - start));
            start = end + 1;
            if (line.empty() || line[0] == ';') {
                continue;
            }
            if (line[0] == '[') {
                const auto close = line.find(']');
                section = Lower(Widen(
                    line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
                m_sections[section];
                continue;
            }
            const auto eq = line.find('=');
            if (eq == std::string::npos) {
                continue;
            }
            std::string value = Trim(line.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            m_sections[section].emplace(Lower(Widen(Trim(line.substr(0, eq)))), Widen(value));
        }
    }

    std::map<std::u16string, std::map<std::u16string, std::u16string>> m_sections;
};

} // namespace hitched::test
