#pragma once
// Reading a phone's answer to one AT command. Phones differ: they echo the command or not,
// end lines in CR LF, CR or LF, quote values, tag them ("+CGMM: ", "Model: "), add further
// lines, and may slip an unsolicited result code in between. The parser accepts all of these.
#include <string>
#include <string_view>
#include <vector>

namespace hitched {

enum class AtFinal {
    None, // no complete final result code yet
    Ok,   // OK
    Error // ERROR, +CME ERROR: n, +CMS ERROR: n, NO CARRIER and the like
};

struct AtReply {
    AtFinal final = AtFinal::None;
    std::string finalLine;          // the final result code as received, e.g. "+CME ERROR: 10"
    std::vector<std::string> lines; // information lines: no echo, no empty line, no final code
};

// Parses what arrived after `command` (without its CR) was sent. Only complete lines count;
// what precedes the command's echo and what follows the final result code are not part of
// this answer.
AtReply ParseAtReply(std::string_view received, std::string_view command);

// Which identification value an answer carries, with the tags and labels phones put before it.
enum class AtField { Manufacturer, Model, Imei };

// The value in the information lines: the first line that is not an unsolicited result code,
// stripped of its tag, label and quotes; a model given in a list is its MODEL= field, an IMEI
// the run of digits that stands out of the answer (else the answer as it stands). Empty when
// no line holds a usable value (nothing but blanks, control characters that only line noise
// produces, or a status word such as ERROR).
std::string ExtractAtValue(const AtReply& reply, AtField field);

// Phones answer in UTF-8 or in a single-byte set: valid UTF-8 is decoded as such, anything
// else byte by byte as Latin-1; then cleaned as any text a device says (DeviceText).
std::u16string AtTextToUtf16(std::string_view text);

} // namespace hitched
