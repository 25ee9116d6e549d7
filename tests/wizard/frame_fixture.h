#pragma once
// The wizard frame inside the test process, with the key language file and a fresh hitched.dat
// beside the test program, where the frame keeps its settings.
#include "app/module_file.h"
#include "res/resource.h"
#include "ui/win_app.h"
#include "wizard/hitch_dlg.h"

#include "../support/installed_language_file.h"
#include "../ui/message_pump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hitched::test {

// The frame with a record of what happened to it: "hide", "show", "min", "restore" for its
// visibility and "command <id>" for every command that reached it.
class RecordingHitchDlg : public CHitchDlg {
public:
    std::vector<std::string> trace;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SHOWWINDOW) {
            trace.push_back(wParam ? "show" : "hide");
        } else if (message == WM_SIZE && (wParam == SIZE_MINIMIZED || wParam == SIZE_RESTORED)) {
            trace.push_back(wParam == SIZE_MINIMIZED ? "min" : "restore");
        } else if (message == WM_COMMAND) {
            trace.push_back("command " + std::to_string(LOWORD(wParam)));
        }
        return CHitchDlg::WindowProc(message, wParam, lParam);
    }
};

class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override { ::DeleteFileW(m_dataFile.c_str()); }
    void TearDown() override {
        m_app.m_pMainWnd = nullptr;
        ::DeleteFileW(m_dataFile.c_str());
    }
    bool Create() {
        m_app.m_pMainWnd = &m_dlg;
        return m_dlg.Create(IDD_HITCHED_DIALOG, nullptr) != FALSE;
    }

    std::wstring Setting(const wchar_t* section, const wchar_t* key) {
        wchar_t value[256] = {};
        ::GetPrivateProfileStringW(section, key, L"<missing>", value, 255, m_dataFile.c_str());
        return value;
    }
    void WriteSetting(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        ::WritePrivateProfileStringW(section, key, value, m_dataFile.c_str());
    }
    std::wstring ItemText(int id) { return m_dlg.GetDlgItemText(id); }
    void Click(int id) { ::SendMessageW(m_dlg.GetDlgItem(id), BM_CLICK, 0, 0); }

    const std::wstring m_dataFile = ModuleDirectoryWithBackslash() + L"hitched.dat";
    InstalledLanguageFile m_language;
    CWinApp m_app;
    RecordingHitchDlg m_dlg;
};

} // namespace hitched::test
