#include "app/help_topics.h"
#include "app/module_paths.h"
#include "res/resource.h"

#include <gtest/gtest.h>

using namespace hitched;

TEST(ModulePaths, DirectoryIsCutAtTheLastBackslash) {
    EXPECT_EQ(DirectoryWithBackslash(u"C:\\Program Files\\Ostra\\hitched.exe"),
              u"C:\\Program Files\\Ostra\\");
    EXPECT_EQ(DirectoryWithoutBackslash(u"C:\\Program Files\\Ostra\\hitched.exe"),
              u"C:\\Program Files\\Ostra");
    EXPECT_EQ(DirectoryWithBackslash(u"C:\\hitched.exe"), u"C:\\");
    EXPECT_EQ(DirectoryWithoutBackslash(u"C:\\hitched.exe"), u"C:");
}

TEST(ModulePaths, NoBackslashOrNoPathGivesAnEmptyDirectory) {
    EXPECT_EQ(DirectoryWithBackslash(u""), u"");
    EXPECT_EQ(DirectoryWithoutBackslash(u""), u"");
    EXPECT_EQ(DirectoryWithBackslash(u"hitched.exe"), u"");
    EXPECT_EQ(DirectoryWithoutBackslash(u"hitched.exe"), u"");
}

TEST(ModulePaths, LanguageFileKeepsTheDoubledBackslash) {
    EXPECT_EQ(LanguageFilePath(u"C:\\Ostra\\"), u"C:\\Ostra\\\\languages\\language.lgg");
    // A failed module lookup leaves a path relative to the root of the current drive.
    EXPECT_EQ(LanguageFilePath(u""), u"\\languages\\language.lgg");
}

TEST(HelpTopics, UrlJoinsDirectoryFileAndTopic) {
    EXPECT_EQ(BuildHelpTopicUrl(u"C:\\Ostra", u"hitched.chm", u"usb_cable.htm"),
              u"C:\\Ostra\\hitched.chm::/usb_cable.htm");
    EXPECT_EQ(BuildHelpTopicUrl(u"C:\\Ostra", u"hitched.chm", u"html/a b.htm"),
              u"C:\\Ostra\\hitched.chm::/html/a b.htm");
    // Missing texts still give a well-formed URL; the help viewer reports the missing file.
    EXPECT_EQ(BuildHelpTopicUrl(u"", u"", u""), u"\\::/");
}

TEST(HelpTopics, EachPageOpensItsTopicAndUnknownPagesTheOverview) {
    EXPECT_EQ(HelpTopicIdForPage(0), unsigned(IDS_HELPDOC_WIZARD));
    EXPECT_EQ(HelpTopicIdForPage(1), unsigned(IDS_HELPDOC_TYPE));
    EXPECT_EQ(HelpTopicIdForPage(2), unsigned(IDS_HELPDOC_CABLE));
    EXPECT_EQ(HelpTopicIdForPage(3), unsigned(IDS_HELPDOC_BULETH));
    EXPECT_EQ(HelpTopicIdForPage(4), unsigned(IDS_HELPDOC_IRDA));
    EXPECT_EQ(HelpTopicIdForPage(5), unsigned(IDS_HELPDOC_COMPL));
    EXPECT_EQ(HelpTopicIdForPage(6), unsigned(IDS_HELPDOC_BTPAIR));
    for (int page : {-1, 7, 100}) {
        EXPECT_EQ(HelpTopicIdForPage(page), unsigned(IDS_HELPDOC_WIZARD)) << page;
    }
}

TEST(HelpTopics, TroubleshootingModesOpenTheirTopicsAndUnknownModesTheCableTopic) {
    EXPECT_EQ(HelpTopicIdForTroubleshootMode(0), unsigned(IDS_HELPDOC_CABLE));
    EXPECT_EQ(HelpTopicIdForTroubleshootMode(1), unsigned(IDS_HELPDOC_IRDA));
    EXPECT_EQ(HelpTopicIdForTroubleshootMode(2), unsigned(IDS_HELPDOC_BULETH));
    for (int mode : {-1, 3, 42}) {
        EXPECT_EQ(HelpTopicIdForTroubleshootMode(mode), unsigned(IDS_HELPDOC_CABLE)) << mode;
    }
}
