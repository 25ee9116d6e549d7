#include "app/help_topics.h"

#include "res/resource.h"

namespace hitched {

std::u16string BuildHelpTopicUrl(std::u16string_view directory, std::u16string_view helpFile,
                                 std::u16string_view topic) {
    std::u16string url(directory);
    url += u'\\';
    url += helpFile;
    url += u"::/";
    url += topic;
    return url;
}

unsigned HelpTopicIdForPage(int page) {
    switch (page) {
    case 0:
        return IDS_HELPDOC_WIZARD;
    case 1:
        return IDS_HELPDOC_TYPE;
    case 2:
        return IDS_HELPDOC_CABLE;
    case 3:
        return IDS_HELPDOC_BULETH;
    case 4:
        return IDS_HELPDOC_IRDA;
    case 5:
        return IDS_HELPDOC_COMPL;
    case 6:
        return IDS_HELPDOC_BTPAIR;
    default:
        return IDS_HELPDOC_WIZARD;
    }
}

unsigned HelpTopicIdForTroubleshootMode(int mode) {
    switch (mode) {
    case 1:
        return IDS_HELPDOC_IRDA;
    case 2:
        return IDS_HELPDOC_BULETH;
    default:
        return IDS_HELPDOC_CABLE;
    }
}

} // namespace hitched
