#pragma once
// IProfileWriter over WritePrivateProfileStringW on one file.
#include "platform/profile_writer.h"

#include <string>

namespace hitched {

class Win32ProfileWriter : public IProfileWriter {
public:
    explicit Win32ProfileWriter(std::u16string path) : m_path(std::move(path)) {}
    void WriteString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) override;

private:
    std::u16string m_path;
};

} // namespace hitched
