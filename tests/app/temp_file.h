#pragma once
// Scratch files for the Wine tests: a private folder under the temporary directory, removed
// with everything in it when the object goes.
#include <windows.h>

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; } // with a trailing backslash
    std::wstring File(const std::wstring& name) const { return m_path + name; }

    // Writes bytes as they are (ASCII text, or UTF-16 with its byte-order mark).
    static void WriteBytes(const std::wstring& path, const std::string& bytes);
    static void WriteUtf16(const std::wstring& path, const std::wstring& text);

private:
    std::wstring m_path;
};
