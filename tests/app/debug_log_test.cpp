#include "app/debug_log.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

std::wstring Format(const wchar_t* format, ...) {
    wchar_t buffer[hitched::kDebugLogBufferChars] = {};
    va_list args;
    va_start(args, format);
    hitched::FormatDebugLogLine(buffer, format, args);
    va_end(args);
    return buffer;
}

} // namespace

TEST(DebugLog, MarkerStandsAtTheEndOfTheLine) {
    EXPECT_EQ(Format(L"--m_MsgShowWindow = %d", 49321), L"--m_MsgShowWindow = 49321---[Hitched]\r\n");
    EXPECT_EQ(Format(L"--Server cmdline: %s", L"hitched.exe"),
              L"--Server cmdline: hitched.exe---[Hitched]\r\n");
}

TEST(DebugLog, LongTextIsCutAt1024CharactersAndTheMarkerStillFollows) {
    std::wstring longText(3000, L'x');
    std::wstring line = Format(L"%s", longText.c_str());
    const std::wstring marker = L"---[Hitched]\r\n";
    ASSERT_GT(line.size(), marker.size());
    EXPECT_EQ(line.substr(line.size() - marker.size()), marker);
    EXPECT_LE(line.size() - marker.size(), 1024u);
    EXPECT_GE(line.size() - marker.size(), 1023u);
}
