#include "makerlibs/kvinquire/at_reply.h"

#include "contracts/device_text.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace hitched {
namespace {

bool IsControl(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7f;
}

// 0xFF is what an idle line reads as when the port opens: noise, never text.
bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == 0xff || IsControl(c);
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// Spaces and control characters removed, upper case: how an echo is compared.
std::string Squeezed(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (!IsBlank(static_cast<unsigned char>(c))) {
            out.push_back(Upper(c));
        }
    }
    return out;
}

// An echo may carry a stray byte before it (line noise when the port opened).
bool IsEcho(std::string_view line, std::string_view command) {
    const std::string squeezed = Squeezed(line);
    const std::string expected = Squeezed(command);
    return !expected.empty() && squeezed.size() >= expected.size() &&
           squeezed.compare(squeezed.size() - expected.size(), expected.size(), expected) == 0;
}

std::optional<AtFinal> FinalCode(std::string_view line) {
    if (EqualsNoCase(line, "OK")) {
        return AtFinal::Ok;
    }
    static constexpr std::string_view kErrors[] = {
        "ERROR", "NO CARRIER", "BUSY", "NO ANSWER", "NO DIALTONE", "COMMAND NOT SUPPORT"};
    for (std::string_view e : kErrors) {
        if (EqualsNoCase(line, e)) {
            return AtFinal::Error;
        }
    }
    if (StartsWithNoCase(line, "+CME ERROR") || StartsWithNoCase(line, "+CMS ERROR")) {
        return AtFinal::Error;
    }
    return std::nullopt;
}

struct FieldWords {
    std::vector<std::string_view> tags;   // result tags of the command and its V.250 twin
    std::vector<std::string_view> labels; // words some phones write before the value
};

const FieldWords& WordsOf(AtField field) {
    static const FieldWords kManufacturer = {{"+CGMI", "+GMI"},
                                             {"Manufacturer name", "Manufacturer", "Vendor"}};
    static const FieldWords kModel = {{"+CGMM", "+GMM"}, {"Model name", "Model number", "Model"}};
    static const FieldWords kImei = {{"+CGSN", "+GSN"},
                                     {"IMEI number", "IMEI", "Serial number", "ESN", "SN"}};
    switch (field) {
    case AtField::Manufacturer:
        return kManufacturer;
    case AtField::Model:
        return kModel;
    case AtField::Imei:
        break;
    }
    return kImei;
}

// "+TAG: rest" or "+TAG rest": the tag and the rest; a line without a tag has none.
bool SplitTag(std::string_view line, std::string_view& tag, std::string_view& rest) {
    if (line.empty() || (line[0] != '+' && line[0] != '^' && line[0] != '*')) {
        return false;
    }
    std::size_t end = line.find_first_of(": \t");
    if (end == std::string_view::npos) {
        end = line.size();
    }
    tag = line.substr(0, end);
    rest = end < line.size() ? line.substr(end + 1) : std::string_view();
    return true;
}

// Removes "Label:" (any case, blanks allowed before the colon) when the line starts with one.
std::string_view StripLabel(std::string_view text, const std::vector<std::string_view>& labels) {
    for (std::string_view label : labels) {
        if (!StartsWithNoCase(text, label)) {
            continue;
        }
        std::string_view rest = text.substr(label.size());
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
            rest.remove_prefix(1);
        }
        if (!rest.empty() && rest.front() == ':') {
            return Trim(rest.substr(1));
        }
    }
    return text;
}

std::string_view Unquote(std::string_view text) {
    if (text.empty() || text.front() != '"') {
        return text;
    }
    text.remove_prefix(1);
    const std::size_t close = text.find('"');
    return Trim(close == std::string_view::npos ? text : text.substr(0, close));
}

// Where the comma-separated field that starts at `start` ends; a comma inside quotes is text.
std::size_t FieldEnd(std::string_view text, std::size_t start) {
    bool quoted = false;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == ',' && !quoted) {
            return i;
        }
    }
    return text.size();
}

// Some phones answer AT+CGMM with their bands first: "GSM900","GSM1800","MODEL=V3". The
// model is the value of the MODEL= field, wherever it stands in the list.
std::optional<std::string_view> ModelField(std::string_view text) {
    static constexpr std::string_view kKey = "MODEL=";
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = FieldEnd(text, start);
        const std::string_view field = Unquote(Trim(text.substr(start, end - start)));
        if (StartsWithNoCase(field, kKey)) {
            return Trim(field.substr(kKey.size()));
        }
        start = end + 1;
    }
    return std::nullopt;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The IMEI inside a serial-number answer, whatever a phone writes around it ("IMEI" glued
// before it, a modem's own serial after a comma): a run of 15 digits, else of 14 to 17 (the
// IMEI without its check digit, the IMEISV). None: the answer is some other serial number.
std::optional<std::string_view> ImeiDigits(std::string_view text) {
    std::optional<std::string_view> nearMiss;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        while (end < text.size() && IsDigit(text[end])) {
            ++end;
        }
        const std::size_t length = end - i;
        if (length == 15) {
            return text.substr(i, length);
        }
        if (length >= 14 && length <= 17 && !nearMiss) {
            nearMiss = text.substr(i, length);
        }
        i = std::max(end, i + 1);
    }
    return nearMiss;
}

bool HasControl(std::string_view text) {
    for (char c : text) {
        if (IsControl(static_cast<unsigned char>(c))) {
            return true;
        }
    }
    return false;
}

// Strict UTF-8 decoding; false on any malformed, overlong or out-of-range sequence.
bool DecodeUtf8(std::string_view text, std::u16string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        uint32_t cp;
        std::size_t n;
        if (b0 < 0x80) {
            cp = b0;
            n = 1;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            cp = b0 & 0x1F;
            n = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            cp = b0 & 0x0F;
            n = 3;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            cp = b0 & 0x07;
            n = 4;
        } else {
            return false;
        }
        if (i + n > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    return true;
}

} // namespace

AtReply ParseAtReply(std::string_view received, std::string_view command) {
    AtReply reply;
    std::size_t start = 0;
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (received[i] != '\r' && received[i] != '\n') {
            continue;
        }
        const std::string_view line = Trim(received.substr(start, i - start));
        start = i + 1;
        if (line.empty()) {
            continue;
        }
        if (IsEcho(line, command)) {
            // What came before the echo answered something else: an unsolicited line, or a
            // late answer to an earlier command.
            reply = AtReply();
        } else if (reply.final != AtFinal::None) {
            continue; // the next answer's, unless an echo of this command still follows
        } else if (const auto final = FinalCode(line)) {
            reply.final = *final;
            reply.finalLine = std::string(line);
        } else {
            reply.lines.emplace_back(line);
        }
    }
    return reply;
}

std::string ExtractAtValue(const AtReply& reply, AtField field) {
    const FieldWords& words = WordsOf(field);
    for (const std::string& line : reply.lines) {
        std::string_view text = Trim(line);
        std::string_view tag;
        std::string_view rest;
        if (SplitTag(text, tag, rest)) {
            bool own = false;
            for (std::string_view t : words.tags) {
                own = own || EqualsNoCase(tag, t);
            }
            if (!own) {
                continue; // an unsolicited result code such as +CREG: 1
            }
            text = Trim(rest);
        } else if (EqualsNoCase(text, "RING")) {
            continue;
        }
        text = StripLabel(text, words.labels);
        if (HasControl(text)) {
            continue;
        }
        std::optional<std::string_view> narrowed;
        if (field == AtField::Model) {
            narrowed = ModelField(text);
        } else if (field == AtField::Imei) {
            narrowed = ImeiDigits(text);
        }
        const std::string_view value = narrowed ? *narrowed : Unquote(text);
        // "+CGSN: ERROR" is a refusal dressed as a value.
        if (value.empty() || FinalCode(value)) {
            continue;
        }
        return std::string(value);
    }
    return {};
}

std::u16string AtTextToUtf16(std::string_view text) {
    std::u16string out;
    if (!DecodeUtf8(text, out)) {
        out.clear();
        for (char c : text) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
        }
    }
    return DeviceText(out);
}

} // namespace hitched
