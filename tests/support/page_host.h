#pragma once
// What a page or dialog of the wizard needs around it in a Windows test: the key language file
// in a private folder installed as the process's language source, the application object, the
// common controls, and a hidden top-level window standing in for the frame. Pages made in a
// test go before it does.
#include "app/hitch_app.h"
#include "app/language_service.h"

#include "../app/temp_file.h"
#include "key_language_file.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace hitched::test {

class PageHost : public ::testing::Test {
protected:
    PageHost() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_ANIMATE_CLASS};
        ::InitCommonControlsEx(&controls);
        m_app.m_strLangFile = m_folder.File(L"language.lgg");
        TempFolder::WriteBytes(m_app.m_strLangFile, KeyLanguageFile());
        m_previousLanguage = SetLanguageSource({nullptr, m_app.m_strLangFile});
        m_parent.m_hWnd = ::CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 1000,
                                            700, nullptr, nullptr, nullptr, nullptr);
    }
    ~PageHost() override {
        ::DestroyWindow(m_parent.m_hWnd);
        SetLanguageSource(m_previousLanguage);
    }

    TempFolder m_folder;
    CHitchApp m_app;
    CWnd m_parent;
    LanguageSource m_previousLanguage;
};

} // namespace hitched::test
