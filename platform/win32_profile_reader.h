#pragma once
// IProfileReader over GetPrivateProfileStringW on one file.
#include "platform/profile_reader.h"

namespace hitched {

class Win32ProfileReader : public IProfileReader {
public:
    explicit Win32ProfileReader(std::u16string path) : m_path(std::move(path)) {}
    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view fallback) override;

private:
    std::u16string m_path;
};

} // namespace hitched
