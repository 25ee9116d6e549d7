#include "platform/wchar_utf16.h"

#include <cwchar>

#include <gtest/gtest.h>

#include "detect/utf16_field.h"
#include "portservice/connected_phone.h"

namespace {

TEST(WcharUtf16, StringsCrossTheBoundaryUnchanged) {
    const std::u16string text = u"Ostra \u00E9\u4E2D \U0001F4F1"; // incl. a surrogate pair
    const std::wstring wide = hitched::ToWString(text);
    EXPECT_EQ(wide.size(), text.size());
    EXPECT_EQ(wide, L"Ostra \u00E9\u4E2D \U0001F4F1");
    EXPECT_EQ(hitched::ToU16String(wide), text);
}

TEST(WcharUtf16, RecordFieldsAreUsableAsWideBuffers) {
    _CONNECTEDPHONE_T phone{};
    hitched::CopyField(phone.tszPhoneName, u"X1");
    EXPECT_EQ(std::wcslen(hitched::AsWide(phone.tszPhoneName)), 2u);
    std::wcscpy(hitched::AsWide(phone.dwSerialPort), L"COM5");
    EXPECT_EQ(hitched::FieldView(phone.dwSerialPort), u"COM5");
}

} // namespace
