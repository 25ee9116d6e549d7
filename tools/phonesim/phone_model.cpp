#include "tools/phonesim/phone_model.h"

#include <algorithm>
#include <cctype>

namespace hitched::phonesim {
namespace {

// A command line longer than this is thrown away, as a modem's line buffer would overflow.
constexpr std::size_t kMaxCommandLength = 512;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) {
        ++b;
    }
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) {
        --e;
    }
    return text.substr(b, e - b);
}

} // namespace

bool ParseMode(std::string_view text, Mode& mode) {
    static const std::pair<const char*, Mode> kModes[] = {
        {"normal", Mode::Normal},   {"silent", Mode::Silent}, {"error", Mode::Error},
        {"garbage", Mode::Garbage}, {"flood", Mode::Flood},   {"printer", Mode::Printer}};
    for (const auto& [name, value] : kModes) {
        if (text == name) {
            mode = value;
            return true;
        }
    }
    return false;
}

const char* ModeName(Mode mode) {
    switch (mode) {
    case Mode::Normal:
        return "normal";
    case Mode::Silent:
        return "silent";
    case Mode::Error:
        return "error";
    case Mode::Garbage:
        return "garbage";
    case Mode::Flood:
        return "flood";
    case Mode::Printer:
        return "printer";
    }
    return "?";
}

bool ParseQuirks(std::string_view text, Quirks& quirks) {
    Quirks parsed;
    if (text != "none" && !text.empty()) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t comma = text.find(',', start);
            if (comma == std::string_view::npos) {
                comma = text.size();
            }
            const std::string_view word = text.substr(start, comma - start);
            const std::pair<const char*, bool*> kWords[] = {
                {"quoted", &parsed.quoted},     {"prefixed", &parsed.prefixed},
                {"labelled", &parsed.labelled}, {"multiline", &parsed.multiline},
                {"lf", &parsed.lfOnly},         {"bands", &parsed.bands},
                {"imeitag", &parsed.imeiTag},   {"tail", &parsed.serialTail},
                {"noise", &parsed.noise},       {"lowecho", &parsed.lowerEcho},
                {"tight", &parsed.tight},       {"bare", &parsed.bare},
                {"split", &parsed.split}};
            bool known = false;
            for (const auto& [name, flag] : kWords) {
                if (word == name) {
                    *flag = known = true;
                }
            }
            if (!known) {
                return false;
            }
            start = comma + 1;
        }
    }
    quirks = parsed;
    return true;
}

PhoneModel::PhoneModel(const PhoneConfig& config, uint32_t seed)
    : m_config(config), m_echo(config.echo), m_random(seed) {}

void PhoneModel::Feed(std::string_view bytes, std::string& echo, std::string& reply) {
    const Mode mode = m_config.mode;
    if (mode == Mode::Silent || mode == Mode::Flood) {
        return;
    }
    // Printer firmware does not echo, ends a line at CR or LF and answers each one.
    const bool printer = mode == Mode::Printer;
    for (char c : bytes) {
        if (m_config.quirks.noise && mode == Mode::Normal && m_line.empty() && c != '\r' &&
            c != '\n') {
            echo += "\xff\xff\r\n*RADIOPOWER: 1\r\n"; // what some phones say unasked
        }
        if (m_echo && mode != Mode::Garbage && !printer) {
            const bool lower = m_config.quirks.lowerEcho;
            echo.push_back(lower ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                                 : c);
        }
        if (c == '\r' || (printer && c == '\n')) {
            std::string line = Trim(m_line);
            m_line.clear();
            if (printer) {
                reply += line.empty() ? "" : "ok\n";
                continue;
            }
            if (line.size() < 2 || Upper(line.substr(0, 2)) != "AT") {
                continue; // a modem ignores what does not start with AT
            }
            ++m_commands;
            reply += Answer(line);
        } else if (c == '\n' || c == '\0') {
            continue;
        } else if (c == '\b' || c == 0x7f) {
            if (!m_line.empty()) {
                m_line.pop_back();
            }
        } else if (m_line.size() < kMaxCommandLength) {
            m_line.push_back(c);
        } else {
            m_line.clear();
        }
    }
}

std::string PhoneModel::Noise(std::size_t count) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string noise;
    noise.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        noise.push_back(static_cast<char>(byte(m_random)));
    }
    return noise;
}

std::string PhoneModel::Answer(const std::string& line) {
    switch (m_config.mode) {
    case Mode::Garbage: {
        std::uniform_int_distribution<std::size_t> length(8, 64);
        return Noise(length(m_random));
    }
    case Mode::Error:
        if (m_config.cmeError >= 0) {
            return Final("+CME ERROR: " + std::to_string(m_config.cmeError));
        }
        return Final("ERROR");
    default:
        break;
    }

    const std::string body = Upper(Trim(line.substr(2)));
    if (body.empty() || body == "Z" || body == "E0" || body == "E" || body == "E1" ||
        body == "V1") {
        if (body == "Z") {
            m_echo = m_config.echo;
        } else if (body == "E0" || body == "E") {
            m_echo = false;
        } else if (body == "E1") {
            m_echo = true;
        }
        return Final("OK");
    }
    const Quirks& quirks = m_config.quirks;
    if (quirks.bare && (body == "+CGMI" || body == "+CGMM" || body == "+CGSN")) {
        return Final("OK");
    }
    if (body == "+CGMI" || body == "+GMI") {
        return Identification(body, "Manufacturer", m_config.manufacturer);
    }
    if ((body == "+CGMM" || body == "+GMM") && quirks.bands) {
        const std::string bands = "\"GSM900\",\"GSM1800\",\"GSM1900\",\"GSM850\",";
        return Identification(body, "Model", bands + "\"MODEL=" + m_config.model + "\"", true);
    }
    if (body == "+CGMM" || body == "+GMM") {
        return Identification(body, "Model", m_config.model);
    }
    if (body == "+CGSN" || body == "+GSN") {
        const std::string imei = (quirks.imeiTag ? "IMEI" : "") + m_config.imei +
                                 (quirks.serialTail ? ",NL2A62Z0N5" : "");
        return Identification(body, "IMEI", imei);
    }
    if (body == "+CGMI=?" || body == "+CGMM=?" || body == "+CGSN=?") {
        return Final("OK");
    }
    return Final("ERROR");
}

// listed: the value is a list of quoted fields already.
std::string PhoneModel::Identification(const std::string& tag, const std::string& label,
                                       const std::string& value, bool listed) const {
    std::string text = value;
    if (m_config.quirks.quoted && !listed) {
        text = "\"" + text + "\"";
    }
    if (m_config.quirks.labelled) {
        text = label + ": " + text;
    }
    if (m_config.quirks.prefixed) {
        text = tag + ": " + text;
    }
    std::string answer = Line(text);
    if (m_config.quirks.multiline) {
        answer += Line("Rev. 1.0 (phonesim)");
    }
    if (m_config.quirks.tight) {
        return answer + "OK" + (m_config.quirks.lfOnly ? "\n" : "\r\n");
    }
    return answer + Final("OK");
}

// Every line is framed by line ends on both sides, as phones frame information text; a
// multi-line answer therefore carries empty lines between its lines.
std::string PhoneModel::Line(const std::string& text) const {
    const std::string eol = m_config.quirks.lfOnly ? "\n" : "\r\n";
    return eol + text + eol;
}

std::string PhoneModel::Final(const std::string& code) const {
    const std::string eol = m_config.quirks.lfOnly ? "\n" : "\r\n";
    return eol + code + eol;
}

} // namespace hitched::phonesim
