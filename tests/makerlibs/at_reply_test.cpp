#include "makerlibs/kvinquire/at_reply.h"

#include <gtest/gtest.h>

using hitched::AtField;
using hitched::AtFinal;
using hitched::ExtractAtValue;
using hitched::ParseAtReply;

namespace {

std::string Value(const std::string& received, const std::string& command, AtField field) {
    return ExtractAtValue(ParseAtReply(received, command), field);
}

} // namespace

TEST(AtReply, EchoAndEmptyLinesAreNotInformation) {
    const auto reply = ParseAtReply("AT+CGMI\r\r\nOstra\r\n\r\nOK\r\n", "AT+CGMI");
    EXPECT_EQ(reply.final, AtFinal::Ok);
    EXPECT_EQ(reply.finalLine, "OK");
    EXPECT_EQ(reply.lines, std::vector<std::string>{"Ostra"});
    // Echo in another case, and echo behind a stray byte of line noise.
    EXPECT_EQ(ParseAtReply("at+cgmi\r\r\nOstra\r\n\r\nOK\r\n", "AT+CGMI").lines.size(), 1u);
    EXPECT_EQ(
        ParseAtReply(std::string("\0\xff", 2) + "AT+CGMI\r\r\nOstra\r\nOK\r\n", "AT+CGMI").lines,
        std::vector<std::string>{"Ostra"});
}

TEST(AtReply, TagsLabelsAndQuotesAreStripped) {
    struct Case {
        const char* line;
        AtField field;
        const char* value;
    };
    const Case cases[] = {
        {"Ostra", AtField::Manufacturer, "Ostra"},
        {"\"Ostra\"", AtField::Manufacturer, "Ostra"},
        {"  Ostra Mobile  ", AtField::Manufacturer, "Ostra Mobile"},
        {"+CGMI: Ostra", AtField::Manufacturer, "Ostra"},
        {"+CGMI:Ostra", AtField::Manufacturer, "Ostra"},
        {"+GMI: \"Ostra\"", AtField::Manufacturer, "Ostra"},
        {"Manufacturer : Ostra", AtField::Manufacturer, "Ostra"},
        {"+CGMI: Manufacturer: \"Ostra\"", AtField::Manufacturer, "Ostra"},
        {"+CGMM: K700", AtField::Model, "K700"},
        {"+cgmm: \"K700i\"", AtField::Model, "K700i"},
        {"Model: K700", AtField::Model, "K700"},
        {"Model K700", AtField::Model, "Model K700"}, // no colon: not a label
        {"\"OS-100", AtField::Model, "OS-100"},       // quote never closed
        {"+CGSN: \"351234567890123\"", AtField::Imei, "351234567890123"},
        {"IMEI: 351234567890123", AtField::Imei, "351234567890123"},
        {"SN: 351234567890123", AtField::Imei, "351234567890123"},
        {"+CGSN 351234567890123", AtField::Imei, "351234567890123"},
    };
    for (const Case& c : cases) {
        const std::string command = c.field == AtField::Manufacturer ? "AT+CGMI"
                                    : c.field == AtField::Model      ? "AT+CGMM"
                                                                     : "AT+CGSN";
        EXPECT_EQ(Value(std::string("\r\n") + c.line + "\r\n\r\nOK\r\n", command, c.field), c.value)
            << c.line;
    }
}

TEST(AtReply, FirstInformationLineCountsWhateverTheLineEnds) {
    EXPECT_EQ(Value("\r\nK700\r\n\r\nRev. R1A\r\n\r\nOK\r\n", "AT+CGMM", AtField::Model), "K700");
    EXPECT_EQ(Value("\nK700\nRev. R1A\n\nOK\n", "AT+CGMM", AtField::Model), "K700");
    EXPECT_EQ(Value("\rK700\rOK\r", "AT+CGMM", AtField::Model), "K700");
    // A first line that holds nothing usable gives way to the next one.
    EXPECT_EQ(Value("\r\n+CGMM: \"\"\r\nK700\r\nOK\r\n", "AT+CGMM", AtField::Model), "K700");
}

TEST(AtReply, UnsolicitedResultCodesAreSkipped) {
    EXPECT_EQ(Value("\r\n+CREG: 1,2\r\n+CGMM: K700\r\n\r\nOK\r\n", "AT+CGMM", AtField::Model),
              "K700");
    EXPECT_EQ(Value("\r\nRING\r\n\r\nK700\r\n\r\nOK\r\n", "AT+CGMM", AtField::Model), "K700");
    EXPECT_EQ(Value("\r\n^BOOT:1,0,0\r\nOstra\r\nOK\r\n", "AT+CGMI", AtField::Manufacturer),
              "Ostra");
    // Another command's tag is never taken for this one's value.
    EXPECT_EQ(Value("\r\n+CGMI: Ostra\r\n\r\nOK\r\n", "AT+CGMM", AtField::Model), "");
}

TEST(AtReply, FinalResultCodes) {
    struct Case {
        const char* received;
        AtFinal final;
        const char* line;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        const auto reply = ParseAtReply(c.received, "AT+CGMI");
        EXPECT_EQ(reply.final, c.final) << c.received;
        EXPECT_EQ(reply.finalLine, c.line) << c.received;
    }
}

TEST(AtReply, OnlyCompleteLinesBeforeTheFinalCodeBelongToTheAnswer) {
    // An unfinished line is not information yet.
    EXPECT_TRUE(ParseAtReply("\r\nOst", "AT+CGMI").lines.empty());
    // What follows the final code is the start of something else.
    const auto reply = ParseAtReply("\r\nOK\r\n\r\n+CGMI: Other\r\n\r\nOK\r\n", "AT+CGMI");
    EXPECT_EQ(reply.final, AtFinal::Ok);
    EXPECT_TRUE(reply.lines.empty());
}

TEST(AtReply, LineNoiseInsideAValueIsRejected) {
    EXPECT_EQ(Value("\r\nOs\x01tra\r\n\r\nOK\r\n", "AT+CGMI", AtField::Manufacturer), "");
    EXPECT_EQ(Value(std::string("\r\nOs\0tra\r\nOK\r\n", 14), "AT+CGMI", AtField::Manufacturer),
              "");
    // Control bytes at the ends are line noise around a good value.
    EXPECT_EQ(Value("\r\n\x01Ostra\x7f\r\nOK\r\n", "AT+CGMI", AtField::Manufacturer), "Ostra");
}

TEST(AtReply, TextIsUtf8WhenValidElseLatin1) {
    using hitched::AtTextToUtf16;
    EXPECT_EQ(AtTextToUtf16("Ostra"), u"Ostra");
    EXPECT_EQ(AtTextToUtf16("Ostr\xc3\xa0"), u"Ostr\u00e0");
    EXPECT_EQ(AtTextToUtf16("Ostr\xe0"), u"Ostr\u00e0");                   // Latin-1 byte
    EXPECT_EQ(AtTextToUtf16("\xf0\x9f\x93\xb1"), u"\U0001F4F1");           // surrogate pair
    EXPECT_EQ(AtTextToUtf16("\xc0\xaf"), std::u16string(u"\u00c0\u00af")); // overlong
    EXPECT_EQ(AtTextToUtf16("\xed\xa0\x80"), std::u16string(u"\u00ed\u00a0\u0080")); // surrogate
    EXPECT_EQ(AtTextToUtf16("\xe2\x82"), std::u16string(u"\u00e2\u0082"));           // cut short
}
