#include "app/debug_log.h"

#include <gtest/gtest.h>

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

TEST(DebugLog, MarkerEndsEveryLineEvenWhenTheTextIsCut) {
    EXPECT_EQ(Format(L"--show = %d, %s", 49321, L"hitched.exe"),
              L"--show = 49321, hitched.exe---[Hitched]\r\n");
    const std::wstring line = Format(L"%s", std::wstring(3000, L'x').c_str());
    EXPECT_EQ(line, std::wstring(line.size() - 14, L'x') + L"---[Hitched]\r\n");
    EXPECT_LE(line.size() - 14, 1024u);
}
