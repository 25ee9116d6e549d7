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
        {Answer("\"Ostra\""), kMaker, "Ostra"},
        {Answer("  Ostra Mobile  "), kMaker, "Ostra Mobile"},
        {Answer("+CGMI: Ostra"), kMaker, "Ostra"},
        {Answer("+CGMI:Ostra"), kMaker, "Ostra"},
        {Answer("+GMI: \"Ostra\""), kMaker, "Ostra"},
        {Answer("Manufacturer : Ostra"), kMaker, "Ostra"},
        {Answer("+cgmm: \"K700i\""), kModel, "K700i"},
        {Answer("Model K700"), kModel, "Model K700"}, // no colon: not a label
        {Answer("\"OS-100"), kModel, "OS-100"},       // quote never closed
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
        // What real devices answered, byte for byte where the source gives the bytes.
        // Motorola: bands, then the model (Gammu, libgammu/phone/at/atgen.c, model reply).
        {"AT+CGMM\r\r\n+CGMM: \"GSM900\",\"GSM1800\",\"GSM1900\",\"GSM850\",\"MODEL=V3\"\r\nOK\r\n",
         kModel, "V3"},
        {Answer("+CGMM: \"MODEL=V3\",\"GSM900\""), kModel, "V3"},
        // Motorola's maker, a comma in quotes (Apple iSync's phone list, MetaClasses.plist).
        {Answer("+CGMI: \"Motorola CE, Copyright 2000\""), kMaker, "Motorola CE, Copyright 2000"},
        // Inner double blanks stay (Gammu, tests/at-model/01.dump, LF only).
        {"AT+CGMM\n MULTIBAND  900E  1800 \nOK\n", kModel, "MULTIBAND  900E  1800"},
        // Motorola's IMEI (Gammu, atgen.c, IMEI reply) and the G24 module's (Motorola G24 AT
        // Commands Reference Manual, +CGSN and +GSN).
        {Answer("+CGSN: IMEI351234567890123"), kImei, "351234567890123"},
        {Answer("+CGSN: \"004400013805666\""), kImei, "004400013805666"},
        {Answer("+GSN: \"004400013805666\""), kImei, "004400013805666"},
        // IMEI and the modem's serial; a CDMA ESN stays as it is (ModemManager,
        // src/tests/test-modem-helpers.c, the +GSN cases).
        {Answer("356936001568843,NL2A62Z0N5"), kImei, "356936001568843"},
        {Answer("0x2214A600"), kImei, "0x2214A600"},
        // A serial number that is no IMEI (Zephyr pull request 118423, an nRF93M1's AT+CGSN).
        {Answer("2623CKLQ0009707"), kImei, "2623CKLQ0009707"},
        // Echo, CR only (perl5-device-gsm issue 24, a Huawei E303 stick).
        {"AT+CGSN\r888888888888888\r\rOK\r", kImei, "888888888888888"},
        // An unsolicited line before the echo (SIM800 Series AT Command Manual, URC list).
        {"\r\nCall Ready\r\nAT+CGMI\r\r\nSIMCOM_Ltd\r\n\r\nOK\r\n", kMaker, "SIMCOM_Ltd"},
        // V.250's RING and a vendor's status line, then the echo in lower case.
        {"\r\nRING\r\n\r\n*RADIOPOWER: 1\r\nat+cgmi\r\r\nOstra\r\nOK\r\n", kMaker, "Ostra"},
        // Line noise of a port just opened, before the echo or the value.
        {"\xff\xff\r\nOstra\r\nOK\r\n", kMaker, "Ostra"},
        {"\xff\xffOstra\r\nOK\r\n", kMaker, "Ostra"},
        // A refusal dressed as a value (a Neoway module's app_customercmd.c answers
        // "+GSN: ERROR" when it has no IMEI).
        {Answer("+GSN: ERROR"), kImei, ""},
    };
    for (const auto& [received, field, value] : cases) {
        const char* command = field == kMaker ? "AT+CGMI" : field == kModel ? "AT+CGMM" : "AT+CGSN";
        EXPECT_EQ(ExtractAtValue(ParseAtReply(received, command), field), value) << received;
        // Read in parts split anywhere, the answer ends with the first part that completes
        // its final result code: every such beginning must give the same value.
        for (std::size_t n = 1; n < received.size(); ++n) {
            const auto early = ParseAtReply(received.substr(0, n), command);
            if (early.final != AtFinal::None) {
                EXPECT_EQ(ExtractAtValue(early, field), value) << n << " bytes of " << received;
            }
        }
    }
}

TEST(AtReply, FinalResultCodes) {
    const std::tuple<const char*, AtFinal, const char*> cases[] = {
        {"\r\nOK\r\n", AtFinal::Ok, "OK"},
        {"\r\nok\r\n", AtFinal::Ok, "ok"},
        {"\r\nERROR\r\n", AtFinal::Error, "ERROR"},
        {"\r\n+CME ERROR: 10\r\n", AtFinal::Error, "+CME ERROR: 10"},
        // An A7670G's AT+CGSN (LilyGo-Modem-Series issue 195).
        {"\r\n+CME ERROR: memory failure\r\n", AtFinal::Error, "+CME ERROR: memory failure"},
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

TEST(AtReply, TextIsUtf8WhenValidElseLatin1WithoutControls) {
    const std::pair<const char*, std::u16string> cases[] = {
        {"Ostra", u"Ostra"},
        {"Ostr\xc3\xa0", u"Ostr\u00e0"},
        {"Ostr\xe0", u"Ostr\u00e0"},                 // a Latin-1 byte
        {"\xf0\x9f\x93\xb1", u"\U0001F4F1"},         // a surrogate pair
        {"\xc0\xaf", u"\u00c0\u00af"},               // overlong
        {"\xed\xa0\x80", u"\u00ed\u00a0"},           // a surrogate's code; its C1 byte is dropped
        {"\xe2\x82!", u"\u00e2!"},                   // cut short; its C1 byte is dropped
        {"\xe2\x80\xaeOstra\xef\xbb\xbf", u"Ostra"}, // no override, no byte-order mark
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(hitched::AtTextToUtf16(text), expected) << text;
    }
}
