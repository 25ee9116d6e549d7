#pragma once
// Writing one value of an INI file the way WritePrivateProfileStringW does. Failures are the
// caller's to ignore: settings that cannot be written read as their defaults.
#include <string_view>

namespace hitched {

class IProfileWriter {
public:
    virtual ~IProfileWriter() = default;
    virtual void WriteString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view value) = 0;
};

} // namespace hitched
