#include "app/help_topics.h"
#include "app/module_paths.h"
#include "res/resource.h"

#include <gtest/gtest.h>

using namespace hitched;

TEST(ModulePaths, DirectoryIsCutAtTheLastBackslashAndEmptyWithoutOne) {
    const struct {
        std::u16string path, with, without;
    } cases[] = {
        {u"C:\\Program Files\\Ostra\\hitched.exe", u"C:\\Program Files\\Ostra\\",
         u"C:\\Program Files\\Ostra"},
        {u"C:\\hitched.exe", u"C:\\", u"C:"},
        {u"hitched.exe", u"", u""},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryWithBackslash(c.path), c.with);
        EXPECT_EQ(DirectoryWithoutBackslash(c.path), c.without);
    }
    // The doubled backslash where directory and file meet is kept: the profile functions
    // accept it. A failed lookup leaves a path from the root of the current drive.
    EXPECT_EQ(LanguageFilePath(u"C:\\Ostra\\"), u"C:\\Ostra\\\\languages\\language.lgg");
    EXPECT_EQ(LanguageFilePath(u""), u"\\languages\\language.lgg");
}

TEST(HelpTopics, UrlJoinsDirectoryFileAndTopic) {
    EXPECT_EQ(BuildHelpTopicUrl(u"C:\\Ostra", u"hitched.chm", u"html/a b.htm"),
              u"C:\\Ostra\\hitched.chm::/html/a b.htm");
    // Missing texts still give a well-formed URL; the help viewer reports the missing file.
    EXPECT_EQ(BuildHelpTopicUrl(u"", u"", u""), u"\\::/");
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
