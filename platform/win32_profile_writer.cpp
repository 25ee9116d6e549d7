#include "platform/win32_profile_writer.h"

#include "platform/wchar_utf16.h"

#include <windows.h>

namespace hitched {

void Win32ProfileWriter::WriteString(std::u16string_view section, std::u16string_view key,
                                     std::u16string_view value) {
    ::WritePrivateProfileStringW(ToWString(section).c_str(), ToWString(key).c_str(),
                                 ToWString(value).c_str(), ToWString(m_path).c_str());
}

} // namespace hitched
