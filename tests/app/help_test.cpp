#include "app/help.h"
#include "app/hitch_app.h"
#include "app/module_file.h"
#include "temp_file.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using hitched::CHtmlHelpApi;

namespace {

// Records where the loader looks; paths not in `modules` fail to load.
class ScriptedHtmlHelpApi : public CHtmlHelpApi {
public:
    std::string registered;
    std::map<std::string, HMODULE> modules;
    std::vector<std::string> attempts;

protected:
    std::string RegisteredLibraryPath() override { return registered; }
    HMODULE LoadLibraryAt(const std::string& path) override {
        attempts.push_back(path);
        auto it = modules.find(path);
        return it == modules.end() ? nullptr : it->second;
    }
};

HMODULE SystemHhctrl() {
    return ::LoadLibraryA("hhctrl.ocx");
}

} // namespace

TEST(HtmlHelpApi, RegisteredLibraryComesFirstAndOrdinal15IsTheFunction) {
    HMODULE hhctrl = SystemHhctrl();
    ASSERT_NE(hhctrl, nullptr);
    ScriptedHtmlHelpApi api;
    api.registered = "C:\\windows\\system32\\hhctrl.ocx";
    api.modules[api.registered] = hhctrl;
    EXPECT_EQ(reinterpret_cast<void*>(api.Resolve()),
              reinterpret_cast<void*>(::GetProcAddress(hhctrl, MAKEINTRESOURCEA(15))));
    EXPECT_EQ(api.attempts, std::vector<std::string>{api.registered});
    api.Resolve();
    EXPECT_EQ(api.attempts.size(), 1u) << "loaded once, then kept";
    EXPECT_FALSE(api.Failed());
}

TEST(HtmlHelpApi, FallsBackToTheLibraryNameWhenTheRegisteredPathFailsOrIsMissing) {
    ScriptedHtmlHelpApi broken;
    broken.registered = "C:\\nowhere\\hhctrl.ocx";
    broken.modules["hhctrl.ocx"] = SystemHhctrl();
    EXPECT_NE(broken.Resolve(), nullptr);
    EXPECT_EQ(broken.attempts, (std::vector<std::string>{broken.registered, "hhctrl.ocx"}));

    ScriptedHtmlHelpApi unregistered;
    unregistered.modules["hhctrl.ocx"] = SystemHhctrl();
    EXPECT_NE(unregistered.Resolve(), nullptr);
    EXPECT_EQ(unregistered.attempts, std::vector<std::string>{"hhctrl.ocx"});
}

TEST(HtmlHelpApi, MissingLibraryFailsOnceAndIsNeverTriedAgain) {
    ScriptedHtmlHelpApi api;
    api.registered = "C:\\nowhere\\hhctrl.ocx";
    EXPECT_EQ(api.Resolve(), nullptr);
    EXPECT_TRUE(api.Failed());
    EXPECT_EQ(api.attempts.size(), 2u);
    EXPECT_EQ(api.Call(nullptr, L"x.chm", 0, 0), nullptr);
    EXPECT_EQ(api.Resolve(), nullptr);
    EXPECT_EQ(api.attempts.size(), 2u) << "no second attempt after a failure";
}

TEST(HtmlHelpApi, LibraryWithoutOrdinal15FailsForGood) {
    ScriptedHtmlHelpApi api;
    api.modules["hhctrl.ocx"] = ::GetModuleHandleW(nullptr); // this test program exports nothing
    EXPECT_EQ(api.Resolve(), nullptr);
    EXPECT_TRUE(api.Failed());
    api.modules["hhctrl.ocx"] = SystemHhctrl();
    EXPECT_EQ(api.Resolve(), nullptr);
    EXPECT_EQ(api.attempts.size(), 1u);
}

TEST(HtmlHelpApi, TheSystemRegistrationOrTheNameFindsHtmlHelpW) {
    // The process-wide loader against the real registry and library of this system.
    EXPECT_NE(CHtmlHelpApi::Process().Resolve(), nullptr);
    EXPECT_FALSE(CHtmlHelpApi::Process().Failed());
}

TEST(HelpTopicUrl, JoinsTheExecutableDirectoryTheHelpFileAndTheTopic) {
    TempFolder folder;
    CHitchApp app;
    app.m_strLangFile = folder.File(L"language.lgg");
    TempFolder::WriteBytes(app.m_strLangFile, "[Hitch]\r\nIDS_HELPDOCUMENT=guide.chm\r\n");
    const std::wstring directory = hitched::ModuleDirectoryWithoutBackslash();
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), L'\\');
    EXPECT_EQ(hitched::HelpTopicUrl(L"usb_cable.htm"), directory + L"\\guide.chm::/usb_cable.htm");
    ::DeleteFileW(app.m_strLangFile.c_str());
    EXPECT_EQ(hitched::HelpTopicUrl(L"a.htm"), directory + L"\\IDS_HELPDOCUMENT::/a.htm");
}
