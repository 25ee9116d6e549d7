// phonesim: a phone on a pseudo-terminal. It answers the AT commands a phone answers
// (identification, echo) so that the serial code of the program talks to something real
// under Wine. The first line of stdout is the pty's path; the program runs until it gets
// SIGTERM, SIGINT or SIGHUP, or until its stdin (when it is not /dev/null) reaches EOF.
// Lines on stdin change the phone while it runs: "mode silent", "model X", "echo off", "quit".
#include "tools/phonesim/phone_model.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using hitched::phonesim::Mode;
using hitched::phonesim::PhoneConfig;
using hitched::phonesim::PhoneModel;

namespace {

constexpr std::size_t kFloodChunk = 64;
constexpr int kFloodPeriodMs = 5;
// Output waiting for a reader is capped so a flood into a closed port cannot grow forever.
constexpr std::size_t kMaxPendingOutput = 64 * 1024;
// The pause between the parts of an answer with the split quirk.
constexpr std::chrono::milliseconds kSplitPause{30};

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}

struct Options {
    PhoneConfig phone;
    std::string ptyFile;
    std::string link;
    bool watchStdin = true;
    bool verbose = false;
    std::string record;
    uint32_t seed = 1;
};

using Clock = std::chrono::steady_clock;

void Usage(FILE* out) {
    std::fputs(
        "usage: phonesim [options]\n"
        "  --manufacturer TEXT   answer of AT+CGMI (default Ostra)\n"
        "  --model TEXT          answer of AT+CGMM (default OS-100)\n"
        "  --imei TEXT           answer of AT+CGSN (default 351234567890123)\n"
        "  --echo on|off         echo after reset (default on)\n"
        "  --delay MS            wait before each answer (default 0)\n"
        "  --mode MODE           normal, silent, error, garbage, flood or printer (a 3D\n"
        "                        printer's firmware: ok to every line) (default normal)\n"
        "  --cme N               error mode answers +CME ERROR: N instead of ERROR\n"
        "  --quirks LIST         none or a comma list of quoted,prefixed,labelled,multiline,lf,\n"
        "                        bands,imeitag,tail,noise,lowecho,tight,bare,split\n"
        "  --pty-file FILE       also write the pty path into FILE\n"
        "  --link PATH           make PATH a symlink to the pty (e.g. a Wine dosdevices/comN)\n"
        "  --no-stdin            do not read control lines from stdin\n"
        "  --seed N              seed of the random bytes (default 1)\n"
        "  --verbose             log traffic on stderr\n"
        "  --record FILE         append a line to FILE for every open of the port by another\n"
        "                        program (\"open\"), every read from it (\"rx N\") and every\n"
        "                        line it was sent (\"line TEXT\"), to show that a device was\n"
        "                        left alone\n"
        "stdin lines: manufacturer|model|imei TEXT, echo on|off, delay MS, mode MODE,\n"
        "  cme N, quirks LIST, quit\n",
        out);
}

bool ParseUnsigned(const std::string& text, unsigned long& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && text[0] != '-';
}

// One setting, from the command line or a stdin control line.
bool ApplySetting(PhoneConfig& phone, const std::string& key, const std::string& value) {
    unsigned long number = 0;
    if (key == "manufacturer") {
        phone.manufacturer = value;
    } else if (key == "model") {
        phone.model = value;
    } else if (key == "imei") {
        phone.imei = value;
    } else if (key == "echo") {
        if (value != "on" && value != "off") {
            return false;
        }
        phone.echo = value == "on";
    } else if (key == "delay") {
        if (!ParseUnsigned(value, number) || number > 600000) {
            return false;
        }
        phone.delayMs = static_cast<unsigned>(number);
    } else if (key == "mode") {
        return hitched::phonesim::ParseMode(value, phone.mode);
    } else if (key == "cme") {
        if (!ParseUnsigned(value, number) || number > 65535) {
            return false;
        }
        phone.cmeError = static_cast<int>(number);
    } else if (key == "quirks") {
        return hitched::phonesim::ParseQuirks(value, phone.quirks);
    } else {
        return false;
    }
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    static const option kLong[] = {{"manufacturer", required_argument, nullptr, 'm'},
                                   {"model", required_argument, nullptr, 'M'},
                                   {"imei", required_argument, nullptr, 'i'},
                                   {"echo", required_argument, nullptr, 'e'},
                                   {"delay", required_argument, nullptr, 'd'},
                                   {"mode", required_argument, nullptr, 'o'},
                                   {"cme", required_argument, nullptr, 'c'},
                                   {"quirks", required_argument, nullptr, 'q'},
                                   {"pty-file", required_argument, nullptr, 'p'},
                                   {"link", required_argument, nullptr, 'l'},
                                   {"no-stdin", no_argument, nullptr, 'n'},
                                   {"seed", required_argument, nullptr, 's'},
                                   {"verbose", no_argument, nullptr, 'v'},
                                   {"record", required_argument, nullptr, 'r'},
                                   {"help", no_argument, nullptr, 'h'},
                                   {nullptr, 0, nullptr, 0}};
    int c;
    while ((c = getopt_long(argc, argv, "", kLong, nullptr)) != -1) {
        const std::string value = optarg ? optarg : "";
        unsigned long number = 0;
        bool ok = true;
        switch (c) {
        case 'm':
            ok = ApplySetting(options.phone, "manufacturer", value);
            break;
        case 'M':
            ok = ApplySetting(options.phone, "model", value);
            break;
        case 'i':
            ok = ApplySetting(options.phone, "imei", value);
            break;
        case 'e':
            ok = ApplySetting(options.phone, "echo", value);
            break;
        case 'd':
            ok = ApplySetting(options.phone, "delay", value);
            break;
        case 'o':
            ok = ApplySetting(options.phone, "mode", value);
            break;
        case 'c':
            ok = ApplySetting(options.phone, "cme", value);
            break;
        case 'q':
            ok = ApplySetting(options.phone, "quirks", value);
            break;
        case 'p':
            options.ptyFile = value;
            break;
        case 'l':
            options.link = value;
            break;
        case 'n':
            options.watchStdin = false;
            break;
        case 's':
            ok = ParseUnsigned(value, number);
            options.seed = static_cast<uint32_t>(number);
            break;
        case 'v':
            options.verbose = true;
            break;
        case 'r':
            options.record = optarg;
            break;
        case 'h':
            Usage(stdout);
            std::exit(0);
        default:
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "phonesim: bad value '%s'\n", value.c_str());
            return false;
        }
    }
    if (optind != argc) {
        std::fprintf(stderr, "phonesim: unexpected argument '%s'\n", argv[optind]);
        return false;
    }
    return true;
}

// True when fd 0 is /dev/null, which a background job gets: then EOF means nothing.
bool StdinIsDevNull() {
    struct stat in {};
    struct stat null {};
    return fstat(0, &in) == 0 && stat("/dev/null", &null) == 0 && S_ISCHR(in.st_mode) &&
           in.st_rdev == null.st_rdev;
}

std::string Printable(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            text += "\\r";
        } else if (c == '\n') {
            text += "\\n";
        } else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            text += hex;
        } else {
            text.push_back(static_cast<char>(c));
        }
    }
    return text;
}

// The pseudo-terminal. The simulator keeps the slave side open itself, so the master never
// sees a hang-up when the program on the other side closes the port and opens it again.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;
};

bool OpenPty(Pty& pty) {
    pty.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0) {
        std::perror("phonesim: posix_openpt");
        return false;
    }
    const char* name = ptsname(pty.master);
    if (name == nullptr) {
        std::perror("phonesim: ptsname");
        return false;
    }
    pty.path = name;
    pty.slave = open(name, O_RDWR | O_NOCTTY);
    if (pty.slave < 0) {
        std::perror("phonesim: open slave");
        return false;
    }
    // Raw line discipline: no echo of the host's bytes by the tty itself, no line editing,
    // no CR/LF translation. A serial program sets its own mode later; this is the start.
    termios tio{};
    if (tcgetattr(pty.slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(pty.slave, TCSANOW, &tio);
    }
    fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool WritePathFile(const std::string& file, const std::string& path) {
    const std::string temp = file + ".tmp";
    FILE* out = std::fopen(temp.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "%s\n", path.c_str());
    const bool ok = std::fclose(out) == 0;
    return ok && std::rename(temp.c_str(), file.c_str()) == 0;
}

bool MakeLink(const std::string& link, const std::string& path) {
    unlink(link.c_str());
    return symlink(path.c_str(), link.c_str()) == 0;
}

// Removes the link or path file only while it still names this simulator's pty.
void RemoveLink(const std::string& link, const std::string& path) {
    char target[4096];
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path) {
        unlink(link.c_str());
    }
}

void RemovePathFile(const std::string& file, const std::string& path) {
    FILE* in = std::fopen(file.c_str(), "r");
    if (in == nullptr) {
        return;
    }
    char line[4096] = {};
    const bool mine = std::fgets(line, sizeof line, in) != nullptr && path + "\n" == line;
    std::fclose(in);
    if (mine) {
        unlink(file.c_str());
    }
}

class Simulator {
public:
    Simulator(const Options& options, Pty& pty)
        : m_options(options), m_pty(pty), m_model(options.phone, options.seed) {}

    int Run();

private:
    struct Pending {
        Clock::time_point due;
        std::string bytes;
    };

    int PollTimeoutMs(Clock::time_point now) const;
    void ReadHost();
    void WriteHost();
    void ReleaseDue(Clock::time_point now);
    bool ReadControl(); // false on EOF or "quit"
    void Record(const std::string& line) const;
    void RecordLines(const std::string& bytes);
    void ReadOpens();
    void Control(const std::string& line);
    void Queue(std::string& out, const std::string& bytes);
    void Log(const char* what, const std::string& bytes) const;

    const Options& m_options;
    Pty& m_pty;
    PhoneModel m_model;
    std::string m_out;             // ready to be written to the host
    std::deque<Pending> m_delayed; // answers waiting for their delay
    std::string m_control;         // partial stdin line
    Clock::time_point m_nextFlood = Clock::now();
    int m_opens = -1;     // inotify on the slave's path, with --record
    std::string m_rxLine; // the line being received, for the record
};

void Simulator::Record(const std::string& line) const {
    if (m_options.record.empty()) {
        return;
    }
    if (FILE* out = std::fopen(m_options.record.c_str(), "a")) {
        std::fprintf(out, "%s\n", line.c_str());
        std::fclose(out);
    }
}

// A line ends at CR or LF, whatever the device makes of it; empty lines are not lines.
void Simulator::RecordLines(const std::string& bytes) {
    for (char c : bytes) {
        if (c != '\r' && c != '\n') {
            m_rxLine.push_back(c);
        } else if (!m_rxLine.empty()) {
            Record("line " + Printable(m_rxLine));
            m_rxLine.clear();
        }
    }
}

// Our own open of the slave came before the watch, so every event is another program's.
void Simulator::ReadOpens() {
    alignas(inotify_event) char buffer[4096];
    ssize_t n;
    while ((n = read(m_opens, buffer, sizeof buffer)) > 0) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->mask & IN_OPEN) {
                Record("open");
            }
            p += sizeof(inotify_event) + event->len;
        }
    }
}

int Simulator::PollTimeoutMs(Clock::time_point now) const {
    long timeout = -1;
    auto until = [&](Clock::time_point t) {
        const long ms = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(t - now).count());
        const long clamped = ms < 0 ? 0 : ms + 1;
        timeout = timeout < 0 ? clamped : std::min(timeout, clamped);
    };
    if (!m_delayed.empty()) {
        until(m_delayed.front().due);
    }
    if (m_model.Config().mode == Mode::Flood) {
        until(m_nextFlood);
    }
    return static_cast<int>(timeout);
}

void Simulator::Log(const char* what, const std::string& bytes) const {
    if (m_options.verbose && !bytes.empty()) {
        std::fprintf(stderr, "phonesim: %s %s\n", what, Printable(bytes).c_str());
    }
}

void Simulator::Queue(std::string& out, const std::string& bytes) {
    out += bytes;
    if (out.size() > kMaxPendingOutput) {
        out.erase(0, out.size() - kMaxPendingOutput);
    }
}

void Simulator::ReadHost() {
    char buffer[4096];
    const ssize_t n = read(m_pty.master, buffer, sizeof buffer);
    if (n <= 0) {
        return; // EAGAIN, or EIO while no side has the slave open (cannot last: we hold it)
    }
    const std::string bytes(buffer, static_cast<std::size_t>(n));
    Log("rx", bytes);
    Record("rx " + std::to_string(n));
    if (!m_options.record.empty()) {
        RecordLines(bytes);
    }
    std::string echo;
    std::string reply;
    m_model.Feed(bytes, echo, reply);
    Queue(m_out, echo);
    if (reply.empty()) {
        return;
    }
    const auto due = Clock::now() + std::chrono::milliseconds(m_model.Config().delayMs);
    if (!m_model.Config().quirks.split) {
        m_delayed.push_back({due, reply});
        return;
    }
    // Three parts with pauses longer than a serial read's interval time-out, so the reader
    // gets the answer in pieces, cut wherever the thirds fall.
    const std::size_t third = reply.size() / 3;
    for (std::size_t part = 0; part < 3; ++part) {
        const std::size_t end = part == 2 ? reply.size() : (part + 1) * third;
        m_delayed.push_back({due + kSplitPause * static_cast<int>(part),
                             reply.substr(part * third, end - part * third)});
    }
}

void Simulator::ReleaseDue(Clock::time_point now) {
    while (!m_delayed.empty() && m_delayed.front().due <= now) {
        Queue(m_out, m_delayed.front().bytes);
        m_delayed.pop_front();
    }
    if (m_model.Config().mode == Mode::Flood && now >= m_nextFlood) {
        if (m_out.size() < 4096) {
            Queue(m_out, m_model.Noise(kFloodChunk));
        }
        m_nextFlood = now + std::chrono::milliseconds(kFloodPeriodMs);
    }
}

void Simulator::WriteHost() {
    if (m_out.empty()) {
        return;
    }
    const ssize_t n = write(m_pty.master, m_out.data(), m_out.size());
    if (n > 0) {
        if (m_model.Config().mode != Mode::Flood) {
            Log("tx", m_out.substr(0, static_cast<std::size_t>(n)));
        }
        m_out.erase(0, static_cast<std::size_t>(n));
    }
}

void Simulator::Control(const std::string& line) {
    const std::size_t space = line.find(' ');
    const std::string key = line.substr(0, space);
    const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
    if (ApplySetting(m_model.MutableConfig(), key, value)) {
        std::fprintf(stderr, "phonesim: %s %s\n", key.c_str(), value.c_str());
        if (key == "mode") {
            m_delayed.clear(); // a phone switched to silence forgets what it was about to say
        }
    } else if (!line.empty()) {
        std::fprintf(stderr, "phonesim: unknown control line '%s'\n", line.c_str());
    }
}

bool Simulator::ReadControl() {
    char buffer[1024];
    const ssize_t n = read(0, buffer, sizeof buffer);
    if (n <= 0) {
        return n < 0 && errno == EINTR;
    }
    m_control.append(buffer, static_cast<std::size_t>(n));
    std::size_t eol;
    while ((eol = m_control.find('\n')) != std::string::npos) {
        std::string line = m_control.substr(0, eol);
        m_control.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line == "quit") {
            return false;
        }
        Control(line);
    }
    return true;
}

int Simulator::Run() {
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGHUP);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    // Signals are delivered only inside ppoll, so none is lost between the check and the wait.
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGHUP);

    const bool watchStdin = m_options.watchStdin && !StdinIsDevNull();
    if (!m_options.record.empty()) {
        m_opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_opens < 0 || inotify_add_watch(m_opens, m_pty.path.c_str(), IN_OPEN) < 0) {
            std::perror("phonesim: inotify");
            return 1;
        }
    }
    while (!g_stop) {
        // A negative descriptor is skipped by ppoll.
        pollfd fds[3] = {
            {m_pty.master, POLLIN, 0}, {watchStdin ? 0 : -1, POLLIN, 0}, {m_opens, POLLIN, 0}};
        if (!m_out.empty()) {
            fds[0].events |= POLLOUT;
        }
        const int timeout = PollTimeoutMs(Clock::now());
        timespec ts{};
        ts.tv_sec = timeout / 1000;
        ts.tv_nsec = static_cast<long>(timeout % 1000) * 1000000L;
        const int ready = ppoll(fds, 3, timeout < 0 ? nullptr : &ts, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("phonesim: ppoll");
            return 1;
        }
        if (fds[2].revents & POLLIN) {
            ReadOpens(); // before the bytes: the program opened the port, then wrote
        }
        if (fds[0].revents & POLLIN) {
            ReadHost();
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Nobody holds the slave: cannot happen while we keep it open, but never spin.
            usleep(20000);
        }
        if (watchStdin && (fds[1].revents & (POLLIN | POLLHUP)) && !ReadControl()) {
            break;
        }
        ReleaseDue(Clock::now());
        WriteHost();
    }
    if (m_opens >= 0) {
        close(m_opens);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage(stderr);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    Pty pty;
    if (!OpenPty(pty)) {
        return 1;
    }
    if (!options.link.empty() && !MakeLink(options.link, pty.path)) {
        std::fprintf(stderr, "phonesim: cannot link %s: %s\n", options.link.c_str(),
                     std::strerror(errno));
        return 1;
    }
    if (!options.ptyFile.empty() && !WritePathFile(options.ptyFile, pty.path)) {
        std::fprintf(stderr, "phonesim: cannot write %s\n", options.ptyFile.c_str());
        if (!options.link.empty()) {
            RemoveLink(options.link, pty.path);
        }
        return 1;
    }
    std::printf("%s\n", pty.path.c_str());
    std::fflush(stdout);
    if (options.verbose) {
        std::fprintf(stderr, "phonesim: %s, mode %s, echo %s\n", pty.path.c_str(),
                     hitched::phonesim::ModeName(options.phone.mode),
                     options.phone.echo ? "on" : "off");
    }

    Simulator simulator(options, pty);
    const int rc = simulator.Run();

    if (!options.link.empty()) {
        RemoveLink(options.link, pty.path);
    }
    if (!options.ptyFile.empty()) {
        RemovePathFile(options.ptyFile, pty.path);
    }
    close(pty.slave);
    close(pty.master);
    return rc;
}
