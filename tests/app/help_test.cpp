// The HTML Help loader's rules, against a scripted registry and library loader.
#include "app/help.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Records where the loader looks; paths not in `modules` fail to load.
struct ScriptedHtmlHelpApi : hitched::CHtmlHelpApi {
    std::string registered;
    std::map<std::string, HMODULE> modules;
    std::vector<std::string> attempts;
    std::string RegisteredLibraryPath() override { return registered; }
    HMODULE LoadLibraryAt(const std::string& path) override {
        attempts.push_back(path);
        auto it = modules.find(path);
        return it == modules.end() ? nullptr : it->second;
    }
};

} // namespace

TEST(HtmlHelpApi, RegisteredLibraryFirstThenTheNameOrdinal15AndNoSecondAttempt) {
    HMODULE hhctrl = ::LoadLibraryA("hhctrl.ocx");
    ASSERT_NE(hhctrl, nullptr);
    const auto htmlHelpW = reinterpret_cast<void*>(::GetProcAddress(hhctrl, MAKEINTRESOURCEA(15)));
    const std::string reg = "C:\\windows\\system32\\hhctrl.ocx", name = "hhctrl.ocx";
    HMODULE noExports = ::GetModuleHandleW(nullptr); // this test program exports nothing
    const struct {
        std::string registered;
        std::map<std::string, HMODULE> modules;
        void* found;
        std::vector<std::string> attempts;
    } cases[] = {
        {reg, {{reg, hhctrl}}, htmlHelpW, {reg}},   {reg, {{name, hhctrl}}, htmlHelpW, {reg, name}},
        {"", {{name, hhctrl}}, htmlHelpW, {name}},  {reg, {}, nullptr, {reg, name}},
        {"", {{name, noExports}}, nullptr, {name}},
    };
    for (const auto& c : cases) {
        ScriptedHtmlHelpApi api;
        api.registered = c.registered;
        api.modules = c.modules;
        EXPECT_EQ(reinterpret_cast<void*>(api.Resolve()), c.found);
        api.modules[name] = hhctrl; // a later success must not matter: loaded or failed once
        EXPECT_EQ(reinterpret_cast<void*>(api.Resolve()), c.found);
        EXPECT_EQ(api.attempts, c.attempts);
        EXPECT_EQ(api.Failed(), c.found == nullptr);
    }
}
