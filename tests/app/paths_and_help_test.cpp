#include "app/help_topics.h"
#include "app/module_paths.h"
#include "res/resource.h"

#include <gtest/gtest.h>

using namespace hitched;

TEST(ModulePaths, DirectoryIsCutAtTheLastBackslashAndTheLanguageFileJoinsIt) {
    const struct {
        std::u16string path, with, without;
    } cases[] = {
        {u"C:\\Ostra Suite\\hitched.exe", u"C:\\Ostra Suite\\", u"C:\\Ostra Suite"},
        {u"C:\\hitched.exe", u"C:\\", u"C:"},
        {u"hitched.exe", u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryWithBackslash(c.path), c.with);
        EXPECT_EQ(DirectoryWithoutBackslash(c.path), c.without);
    }
    // The doubled backslash where the two meet is kept: the profile functions accept it.
    EXPECT_EQ(LanguageFilePath(u"C:\\Ostra\\"), u"C:\\Ostra\\\\languages\\language.lgg");
}

TEST(HelpTopics, EachPageAndAdviceModeOpensItsTopicAndUnknownOnesTheDefault) {
    const unsigned pages[] = {IDS_HELPDOC_WIZARD, IDS_HELPDOC_TYPE,  IDS_HELPDOC_CABLE,
                              IDS_HELPDOC_BULETH, IDS_HELPDOC_IRDA,  IDS_HELPDOC_COMPL,
                              IDS_HELPDOC_BTPAIR, IDS_HELPDOC_WIZARD};
    for (int page = -1; page <= 7; ++page) {
        EXPECT_EQ(HelpTopicIdForPage(page), pages[page < 0 ? 7 : page]) << page;
    }
    const unsigned modes[] = {IDS_HELPDOC_CABLE, IDS_HELPDOC_IRDA, IDS_HELPDOC_BULETH,
                              IDS_HELPDOC_CABLE};
    for (int mode = -1; mode <= 3; ++mode) {
        EXPECT_EQ(HelpTopicIdForTroubleshootMode(mode), modes[mode < 0 ? 3 : mode]) << mode;
    }
}
