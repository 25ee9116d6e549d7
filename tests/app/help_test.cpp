// The HTML Help loader's rules, against a scripted registry and library loader.
#include "app/help.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Records where the loader looks; paths not in `modules` fail to load.
class ScriptedHtmlHelpApi : public hitched::CHtmlHelpApi {
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

const std::string kRegistered = "C:\\windows\\system32\\hhctrl.ocx";

} // namespace

TEST(HtmlHelpApi, TheRegisteredLibraryComesFirstThenTheNameAndOrdinal15IsTheFunction) {
    HMODULE hhctrl = ::LoadLibraryA("hhctrl.ocx");
    ASSERT_NE(hhctrl, nullptr);
    const auto htmlHelpW = reinterpret_cast<void*>(::GetProcAddress(hhctrl, MAKEINTRESOURCEA(15)));
    const struct {
        std::string registered, loadable;
        std::vector<std::string> attempts;
    } cases[] = {
        {kRegistered, kRegistered, {kRegistered}},
        {kRegistered, "hhctrl.ocx", {kRegistered, "hhctrl.ocx"}},
        {"", "hhctrl.ocx", {"hhctrl.ocx"}},
    };
    for (const auto& c : cases) {
        ScriptedHtmlHelpApi api;
        api.registered = c.registered;
        api.modules[c.loadable] = hhctrl;
        EXPECT_EQ(reinterpret_cast<void*>(api.Resolve()), htmlHelpW) << c.registered;
        api.Resolve();
        EXPECT_EQ(api.attempts, c.attempts) << "loaded once, then kept";
        EXPECT_FALSE(api.Failed());
    }
}

TEST(HtmlHelpApi, AFailedLoadIsRememberedAndNeverTriedAgain) {
    ScriptedHtmlHelpApi missing;
    missing.registered = kRegistered;
    EXPECT_EQ(missing.Resolve(), nullptr);
    EXPECT_EQ(missing.Call(nullptr, L"x.chm", 0, 0), nullptr);
    EXPECT_TRUE(missing.Failed());
    EXPECT_EQ(missing.attempts.size(), 2u);

    ScriptedHtmlHelpApi noOrdinal; // this test program exports nothing
    noOrdinal.modules["hhctrl.ocx"] = ::GetModuleHandleW(nullptr);
    EXPECT_EQ(noOrdinal.Resolve(), nullptr);
    noOrdinal.modules["hhctrl.ocx"] = ::LoadLibraryA("hhctrl.ocx");
    EXPECT_EQ(noOrdinal.Resolve(), nullptr);
    EXPECT_TRUE(noOrdinal.Failed());
    EXPECT_EQ(noOrdinal.attempts.size(), 1u);
}
