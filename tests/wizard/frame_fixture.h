#pragma once
// The wizard frame inside the test process, with a language file of the test's own and a
// fresh hitched.dat: what the frame's tests share.
#include "app/hitch_app.h"
#include "app/module_file.h"
#include "res/resource.h"
#include "wizard/hitch_dlg.h"

#include "../app/temp_file.h"
#include "../ui/message_pump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hitched::test {

// The frame with a record of how its visibility changed: "hide" and "show" for
// WM_SHOWWINDOW, "min" and "restore" for the size changes.
class RecordingHitchDlg : public CHitchDlg {
public:
    std::vector<std::string> trace;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SHOWWINDOW) {
            trace.push_back(wParam ? "show" : "hide");
        } else if (message == WM_SIZE && wParam == SIZE_MINIMIZED) {
            trace.push_back("min");
        } else if (message == WM_SIZE && wParam == SIZE_RESTORED) {
            trace.push_back("restore");
        }
        return CHitchDlg::WindowProc(message, wParam, lParam);
    }
};

class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_app.m_strLangFile = m_folder.File(L"language.lgg");
        TempFolder::WriteBytes(m_app.m_strLangFile, "[Hitch]\r\n"
                                                    "AFX_IDS_APP_TITLE=Test Wizard\r\n"
                                                    "IDS_STRING_BTCAPTION_HELP=Aide\r\n"
                                                    "IDS_STRING_BTCAPTION_PRVIOUS=Back\r\n"
                                                    "IDS_STRING_BTCAPTION_NEXT=Onward\r\n"
                                                    "IDS_STRING_BTCAPTION_CANCEL=Stop\r\n"
                                                    "IDS_STRING_BTCAPTION_OK=Done\r\n"
                                                    "IDS_STRING_COMPLIST_USB=by cable\r\n"
                                                    "IDS_HELPDOCUMENT=test.chm\r\n"
                                                    "IDS_HELPDOC_WIZARD=wizard.htm\r\n"
                                                    "IDS_HELPDOC_TYPE=type.htm\r\n"
                                                    "IDS_HELPDOC_CABLE=cable.htm\r\n"
                                                    "IDS_HELPDOC_IRDA=irda.htm\r\n"
                                                    "IDS_HELPDOC_COMPL=done.htm\r\n");
        // The frame keeps its settings beside the program, here the test program.
        m_dataFile = hitched::ModuleDirectoryWithBackslash() + L"hitched.dat";
        ::DeleteFileW(m_dataFile.c_str());
    }

    bool Create() {
        if (!m_dlg.Create(IDD_HITCHED_DIALOG, nullptr)) {
            return false;
        }
        m_app.m_pMainWnd = &m_dlg;
        return true;
    }

    void TearDown() override {
        m_app.m_pMainWnd = nullptr;
        ::DeleteFileW(m_dataFile.c_str());
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

    // Where a control stands in the frame's client area, and where the template puts it.
    RECT ItemRect(int id) {
        RECT rect{};
        ::GetWindowRect(m_dlg.GetDlgItem(id), &rect);
        ::MapWindowPoints(nullptr, m_dlg.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    RECT DialogUnits(int x, int y, int cx, int cy) {
        RECT rect{x, y, x + cx, y + cy};
        ::MapDialogRect(m_dlg.m_hWnd, &rect);
        return rect;
    }

    std::wstring m_dataFile;
    TempFolder m_folder;
    CHitchApp m_app;
    RecordingHitchDlg m_dlg;
};

} // namespace hitched::test
