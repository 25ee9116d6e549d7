#pragma once
#include <string>
#include <string_view>

namespace hitched {

// The URL HtmlHelpW opens for one topic of the compiled help file:
// "<directory>\<help file>::/<topic>".
std::u16string BuildHelpTopicUrl(std::u16string_view directory, std::u16string_view helpFile,
                                 std::u16string_view topic);

// The string id of the help topic the wizard frame opens on a page (Help button or F1).
// Unknown page numbers open the wizard overview.
unsigned HelpTopicIdForPage(int page);

// The string id of the help topic of the troubleshooting dialog in one of its modes
// (0 USB cable, 1 infrared, 2 Bluetooth); unknown modes open the cable topic.
unsigned HelpTopicIdForTroubleshootMode(int mode);

} // namespace hitched
