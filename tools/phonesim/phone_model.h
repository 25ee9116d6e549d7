#pragma once
// What the simulated phone answers: a pure byte-in, byte-out model of a phone's AT command
// interpreter, kept apart from the pseudo-terminal so the answers are easy to reason about.
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace hitched::phonesim {

enum class Mode {
    Normal,  // answers like a phone
    Silent,  // reads everything, never writes a byte
    Error,   // answers every command with ERROR (or +CME ERROR: n)
    Garbage, // answers every command with random bytes and no result code
    Flood,   // streams random bytes all the time, whatever it is sent
    Printer  // not a phone: a 3D printer's firmware, "ok" to every line, AT or not
};

// Ways real phones dress their identification answers.
struct Quirks {
    bool quoted = false;     // "Ostra"
    bool prefixed = false;   // +CGMI: Ostra
    bool labelled = false;   // Manufacturer: Ostra
    bool multiline = false;  // a second information line after the value
    bool lfOnly = false;     // lines end in LF instead of CR LF
    bool bands = false;      // the model after the band list: "GSM900",...,"MODEL=OS-100"
    bool imeiTag = false;    // IMEI351234567890123
    bool serialTail = false; // the IMEI, a comma and the modem's own serial number
    bool noise = false;      // 0xFF bytes and an unsolicited line before each echo
    bool lowerEcho = false;  // the echo in lower case
    bool tight = false;      // no blank line before the final result code
    bool bare = false;       // AT+CGMI, AT+CGMM, AT+CGSN answer a bare OK; their twins answer
    bool split = false;      // each answer leaves in three parts, 30 ms apart (the simulator)
};

struct PhoneConfig {
    std::string manufacturer = "Ostra";
    std::string model = "OS-100";
    std::string imei = "351234567890123";
    bool echo = true;     // the phone's echo setting after reset (ATZ)
    unsigned delayMs = 0; // wait before each answer (the echo is immediate)
    Mode mode = Mode::Normal;
    Quirks quirks;
    int cmeError = -1; // in error mode: >= 0 answers "+CME ERROR: n" instead of "ERROR"
};

bool ParseMode(std::string_view text, Mode& mode);
const char* ModeName(Mode mode);
// "none" or a comma list of quoted, prefixed, labelled, multiline, lf, bands, imeitag, tail,
// noise, lowecho, tight, bare, split.
bool ParseQuirks(std::string_view text, Quirks& quirks);

class PhoneModel {
public:
    explicit PhoneModel(const PhoneConfig& config, uint32_t seed = 1);

    // Bytes the host sent. Appends to `echo` what the phone sends back at once and to
    // `reply` what it sends after its answer delay.
    void Feed(std::string_view bytes, std::string& echo, std::string& reply);

    // Random bytes for the flood mode.
    std::string Noise(std::size_t count);

    const PhoneConfig& Config() const { return m_config; }
    PhoneConfig& MutableConfig() { return m_config; }
    bool EchoOn() const { return m_echo; }
    // The commands received so far (for the simulator's log).
    unsigned CommandCount() const { return m_commands; }

private:
    std::string Answer(const std::string& line);
    std::string Identification(const std::string& tag, const std::string& label,
                               const std::string& value, bool listed = false) const;
    std::string Line(const std::string& text) const;
    std::string Final(const std::string& code) const;

    PhoneConfig m_config;
    bool m_echo;
    std::string m_line; // the command being received, up to its CR
    unsigned m_commands = 0;
    std::mt19937 m_random;
};

} // namespace hitched::phonesim
