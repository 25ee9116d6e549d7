#pragma once
// Reading an INI file the way the profile functions do (GetPrivateProfileStringW): one value
// by section and key, the default when either is missing. Lets portable code read settings
// files, and tests give it INI text without a file.
#include <string>
#include <string_view>

namespace hitched {

class IProfileReader {
public:
    virtual ~IProfileReader() = default;
    virtual std::u16string GetString(std::u16string_view section, std::u16string_view key,
                                     std::u16string_view fallback) = 0;
};

} // namespace hitched
