#include "makerlibs/kvinquire/at_reply.h"

#include <gtest/gtest.h>

#include <tuple>

using hitched::AtField;
using hitched::AtFinal;
using hitched::ParseAtReply;
using namespace std::string_literals;

namespace {

constexpr AtField kMaker = AtField::Manufacturer;
constexpr AtField kModel = AtField::Model;
constexpr AtField kImei = AtField::Imei;

// One information line as phones frame it, then OK. (The phone dialogue's test runs the
// common styles: echo, tag, label and quotes together, several lines, LF only.)
std::string Answer(const std::string& line) {
    return "\r\n" + line + "\r\n\r\nOK\r\n";
}

} // namespace

TEST(AtReply, ValueOfEveryAnswerStyle) {
    const std::tuple<std::string, AtField, const char*> cases[] = {
        {"at+cgmi\r\r\nOstra\r\n\r\nOK\r\n", kMaker, "Ostra"}, // echo in another case
        {"\0\xff"
         "AT+CGMI\r\r\nOstra\r\nOK\r\n"s,
         kMaker, "Ostra"}, // echo behind a stray byte of line noise
        {Answer("\"Ostra\""), kMaker, "Ostra"},
        {Answer("  Ostra Mobile  "), kMaker, "Ostra Mobile"},
        {Answer("+CGMI: Ostra"), kMaker, "Ostra"},
        {Answer("+CGMI:Ostra"), kMaker, "Ostra"},
        {Answer("+GMI: \"Ostra\""), kMaker, "Ostra"},
        {Answer("Manufacturer : Ostra"), kMaker, "Ostra"},
        {Answer("+cgmm: \"K700i\""), kModel, "K700i"},
        {Answer("Model K700"), kModel, "Model K700"}, // no colon: not a label
        {Answer("\"OS-100"), kModel, "OS-100"},       // quote never closed
        {Answer("IMEI: 351234567890123"), kImei, "351234567890123"},
        {Answer("SN: 351234567890123"), kImei, "351234567890123"},
        {Answer("+CGSN 351234567890123"), kImei, "351234567890123"},
        // The first information line counts, whatever the line ends.
        {"\r\nK700\r\n\r\nRev. R1A\r\n\r\nOK\r\n", kModel, "K700"},
        {"\rK700\rOK\r", kModel, "K700"},
        {"\r\n+CGMM: \"\"\r\nK700\r\nOK\r\n", kModel, "K700"}, // nothing usable: the next one
        // Unsolicited result codes are skipped; another command's tag is never this value.
        {"\r\n+CREG: 1,2\r\n+CGMM: K700\r\n\r\nOK\r\n", kModel, "K700"},
        {"\r\nRING\r\n\r\nK700\r\n\r\nOK\r\n", kModel, "K700"},
        {"\r\n^BOOT:1,0,0\r\nOstra\r\nOK\r\n", kMaker, "Ostra"},
        {Answer("+CGMI: Ostra"), kModel, ""},
        // Control bytes inside a value are line noise; at its ends they are trimmed.
        {Answer("Os\x01tra"), kMaker, ""},
        {Answer("Os\0tra"s), kMaker, ""},
        {Answer("\x01Ostra\x7f"), kMaker, "Ostra"},
        // Only complete lines before the final result code belong to the answer.
        {"\r\nOst", kMaker, ""},
        {"\r\nOK\r\n\r\n+CGMI: Other\r\n\r\nOK\r\n", kMaker, ""},
    };
    for (const auto& [received, field, value] : cases) {
        const char* command = field == kMaker ? "AT+CGMI" : field == kModel ? "AT+CGMM" : "AT+CGSN";
        EXPECT_EQ(ExtractAtValue(ParseAtReply(received, command), field), value) << received;
    }
}

TEST(AtReply, FinalResultCodes) {
    const std::tuple<const char*, AtFinal, const char*> cases[] = {
        {"\r\nOK\r\n", AtFinal::Ok, "OK"},
        {"\r\nok\r\n", AtFinal::Ok, "ok"},
        {"\r\nERROR\r\n", AtFinal::Error, "ERROR"},
        {"\r\n+CME ERROR: 10\r\n", AtFinal::Error, "+CME ERROR: 10"},
        {"\r\n+CME ERROR: SIM not inserted\r\n", AtFinal::Error, "+CME ERROR: SIM not inserted"},
        {"\r\n+CMS ERROR: 500\r\n", AtFinal::Error, "+CMS ERROR: 500"},
        {"\r\nNO CARRIER\r\n", AtFinal::Error, "NO CARRIER"},
        {"\r\nCOMMAND NOT SUPPORT\r\n", AtFinal::Error, "COMMAND NOT SUPPORT"},
        {"\r\nOK", AtFinal::None, ""},        // not a complete line yet
        {"\r\nOstra\r\n", AtFinal::None, ""}, // information, final still to come
        {"\r\nOKAY\r\n", AtFinal::None, ""},
    };
    for (const auto& [received, final, line] : cases) {
        const auto reply = ParseAtReply(received, "AT+CGMI");
        EXPECT_EQ(reply.final, final) << received;
        EXPECT_EQ(reply.finalLine, line) << received;
    }
    EXPECT_EQ(ParseAtReply("AT+CGMI\r\r\nOstra\r\n\r\nOK\r\n", "AT+CGMI").lines,
              std::vector<std::string>{"Ostra"});
}

TEST(AtReply, TextIsUtf8WhenValidElseLatin1) {
    const std::pair<const char*, std::u16string> cases[] = {
        {"Ostra", u"Ostra"},
        {"Ostr\xc3\xa0", u"Ostr\u00e0"},
        {"Ostr\xe0", u"Ostr\u00e0"},             // a Latin-1 byte
        {"\xf0\x9f\x93\xb1", u"\U0001F4F1"},     // a surrogate pair
        {"\xc0\xaf", u"\u00c0\u00af"},           // overlong
        {"\xed\xa0\x80", u"\u00ed\u00a0\u0080"}, // a surrogate's code
        {"\xe2\x82", u"\u00e2\u0082"},           // cut short
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(hitched::AtTextToUtf16(text), expected) << text;
    }
}
