#pragma once
// Records the help topics the windows ask for instead of opening help windows: in place of the
// process's HTML Help loader for as long as it lives.
#include "app/help.h"

#include <string>
#include <vector>

namespace hitched::test {

class HelpRecorder : public CHtmlHelpApi {
public:
    HelpRecorder() { CHtmlHelpApi::ReplaceProcess(this); }
    ~HelpRecorder() override { CHtmlHelpApi::ReplaceProcess(nullptr); }

    HWND Call(HWND, LPCWSTR pszFile, UINT, DWORD_PTR) override {
        urls.emplace_back(pszFile != nullptr ? pszFile : L"");
        return nullptr;
    }

    // The topic part of the last URL ("<folder>\<file>::/<topic>"), empty when none.
    std::wstring LastTopic() const {
        if (urls.empty()) {
            return {};
        }
        const auto at = urls.back().find(L"::/");
        return at == std::wstring::npos ? std::wstring() : urls.back().substr(at + 3);
    }

    std::vector<std::wstring> urls;
};

} // namespace hitched::test
