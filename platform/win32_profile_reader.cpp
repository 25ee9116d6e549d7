#include "platform/win32_profile_reader.h"

#include "platform/wchar_utf16.h"

#include <windows.h>

#include <vector>

namespace hitched {

std::u16string Win32ProfileReader::GetString(std::u16string_view section, std::u16string_view key,
                                             std::u16string_view fallback) {
    const std::wstring s = ToWString(section);
    const std::wstring k = ToWString(key);
    const std::wstring f = ToWString(fallback);
    const std::wstring path = ToWString(m_path);
    // The profile functions cut a value to the buffer without saying so: grow until it fits.
    for (DWORD size = 512; size <= 65536; size *= 4) {
        std::vector<wchar_t> buffer(size, L'\0');
        const DWORD n = GetPrivateProfileStringW(s.c_str(), k.c_str(), f.c_str(), buffer.data(),
                                                 size, path.c_str());
        if (n < size - 1) {
            return ToU16String(std::wstring_view(buffer.data(), n));
        }
    }
    return std::u16string(fallback);
}

} // namespace hitched
