#pragma once
#include <array>
#include <cstddef>

namespace hitched {

// One row of the resource string table: the id the code passes and the key name under which
// the language file holds its text.
struct LangStringEntry {
    unsigned id;
    const char* key;
};

constexpr std::size_t kLangStringCount = 89;

// The string table as the resource script must hold it, in id order. Tests compare the
// compiled resources and the shipped language file against this list.
const std::array<LangStringEntry, kLangStringCount>& LangStringTable();

// The key name of an id, or nullptr when the table has no such id.
const char* LangStringKey(unsigned id);

} // namespace hitched
