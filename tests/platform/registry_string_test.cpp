// Registry and SetupAPI strings: whatever size and terminator a value comes with, the text is
// its whole units before the first NUL and nothing past its bytes is read. Each value sits in a
// heap block of exactly its size, so AddressSanitizer sees any read beyond it.
#include "platform/registry_string.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RegistryString, ReadsWholeUnitsUpToTheFirstNulAndNeverPastTheValue) {
    using Bytes = std::vector<unsigned char>; // UTF-16LE as the API wrote it
    const std::pair<Bytes, std::u16string> cases[] = {
        {{'C', 0, 'O', 0, 'M', 0, '5', 0, 0, 0}, u"COM5"}, // even, terminated
        {{'C', 0, 'O', 0, 'M', 0, '5', 0}, u"COM5"},       // even, no terminator
        {{'C', 0, 'O', 0, 'M', 0, '5', 0, 0}, u"COM5"},    // odd, half a terminator
        {{'C', 0, 'O', 0, 'M', 0, '5'}, u"COM"},           // odd, no terminator
        {{'C', 0, 'O', 0, 0, 0, 'X', 0, 0, 0}, u"CO"},     // embedded NUL (a multi-string)
        {{0xac, 0x20, 0x3d, 0xd8, 0x00, 0xde}, u"\u20ac\U0001F600"},
        {{0, 0}, u""},
        {{}, u""},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(hitched::RegistryString(value.data(), value.size()), text) << value.size();
    }
}

} // namespace
