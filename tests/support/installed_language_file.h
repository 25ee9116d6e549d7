#pragma once
// The language file the windows of a Windows test read: the key language file (every text is
// "<KEY>", a few keys a test's own text) in a scratch folder, installed as the process's
// language source for as long as the object lives.
#include "app/language_service.h"
#include "key_language_file.h"

#include "../app/temp_file.h"

namespace hitched::test {

class InstalledLanguageFile {
public:
    explicit InstalledLanguageFile(const std::map<std::string, std::string>& texts = {})
        : m_previous(SetLanguageSource({nullptr, m_folder.File(L"language.lgg")})) {
        Write(KeyLanguageFile(texts));
    }
    ~InstalledLanguageFile() { SetLanguageSource(m_previous); }

    std::wstring Path() const { return m_folder.File(L"language.lgg"); }
    void Write(const std::string& bytes) const { TempFolder::WriteBytes(Path(), bytes); }

private:
    TempFolder m_folder;
    LanguageSource m_previous;
};

} // namespace hitched::test
