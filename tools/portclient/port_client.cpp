#include "tools/portclient/port_client.h"

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <sstream>

#include "portservice/protocol.h"

namespace hitched {
namespace {

using Clock = std::chrono::steady_clock;

// After this much silence an incomplete count is taken as complete (a push of 0 phones is
// its header alone).
constexpr int kSilenceMs = 50;
// Between two commands that get no reply: the server takes one read for one request, so two
// requests sent back to back could reach it as one.
constexpr int kGapMs = 100;

const char* kUsage =
    "usage: portclient [--host ADDRESS] [--port N] [--timeout MS] COMMAND...\n"
    "Talks to the Hitched port service (default 127.0.0.1:9520). Commands run in order on one\n"
    "connection; pushes that arrive meanwhile are printed too.\n"
    "  list             ask for the phone list (no answer at all when no phone is connected)\n"
    "  request COMn     claim a serial port; the hold lasts while the connection does\n"
    "  release COMn     give a claimed port back (no answer)\n"
    "  enable TYPE      a connection type was switched on: SERIAL, USB, BT or IR (no answer)\n"
    "  disable TYPE     a connection type was switched off (no answer)\n"
    "  watch [MS]       print every message, for MS milliseconds or until the server closes\n"
    "  send TEXT        send TEXT as it stands (\\r, \\n and \\\\ are escapes)\n"
    "--timeout is how long list and request wait for their answer (default 3000 ms).\n"
    "Exit codes: 0 ok, 1 usage, 2 no server, 3 no answer in time, 4 malformed data,\n"
    "5 closed by the server, 6 port in use, 7 invalid request.\n";

std::string ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD; // a lone surrogate
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

template <std::size_t N> std::string Field(const char16_t (&field)[N]) {
    std::u16string text;
    for (std::size_t i = 0; i < N && field[i] != 0; ++i)
        text += field[i];
    return ToUtf8(text);
}

std::u16string FromUtf8Ascii(const std::string& text) {
    // Arguments are port names and keywords; bytes above 0x7F are taken as Latin-1.
    std::u16string out;
    for (unsigned char c : text)
        out += static_cast<char16_t>(c);
    return out;
}

std::u16string Unescape(const std::u16string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            char16_t next = text[i + 1];
            if (next == u'r' || next == u'n' || next == u'\\') {
                out += next == u'r' ? u'\r' : next == u'n' ? u'\n' : u'\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

const char* TypeName(std::uint32_t type) {
    switch (type) {
    case 0:
        return "serial cable";
    case 1:
        return "USB cable";
    case 2:
        return "Bluetooth";
    case 3:
        return "infrared";
    default:
        return "unknown";
    }
}

int ParseInt(const std::string& text, int fallback) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != 0 || v < 0 || v > 1000000000)
        return fallback;
    return static_cast<int>(v);
}

int SwitchCode(const std::string& type) {
    static const char* kTypes[] = {"SERIAL", "USB", "BT", "IR"};
    for (int i = 0; i < 4; ++i)
        if (type == kTypes[i])
            return i;
    return -1;
}

// Runs the commands of one command line on one connection.
class Runner {
public:
    Runner(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    int Run(const std::vector<std::string>& args) {
        std::vector<std::string> commands;
        std::string host = "127.0.0.1";
        int port = 9520;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            bool hasValue = i + 1 < args.size();
            if (a == "--help" || a == "-h") {
                m_out << kUsage;
                return kExitOk;
            } else if (a == "--host" && hasValue) {
                host = args[++i];
            } else if (a == "--port" && hasValue) {
                port = ParseInt(args[++i], -1);
                if (port <= 0 || port > 65535)
                    return Usage("bad port: " + args[i]);
            } else if (a == "--timeout" && hasValue) {
                m_timeoutMs = ParseInt(args[++i], -1);
                if (m_timeoutMs < 0)
                    return Usage("bad time-out: " + args[i]);
            } else if (a.rfind("--", 0) == 0) {
                return Usage("unknown option: " + a);
            } else {
                commands.push_back(a);
            }
        }
        if (commands.empty())
            return Usage("no command");
        std::string problem = Check(commands);
        if (!problem.empty())
            return Usage(problem);

        std::string error;
        if (!m_session.Connect(host, static_cast<std::uint16_t>(port), &error)) {
            m_err << "portclient: no port service at " << host << ":" << port << " (" << error
                  << ")\n";
            return kExitNoServer;
        }
        for (std::size_t i = 0; i < commands.size(); ++i) {
            int code = Execute(commands, i);
            if (code != kExitOk)
                Fail(code);
            if (code == kExitNoAnswer || code == kExitClosed)
                break;
        }
        return m_result;
    }

private:
    int Usage(const std::string& problem) {
        m_err << "portclient: " << problem << "\n" << kUsage;
        return kExitUsage;
    }

    // Validates the command list before connecting, so a typo costs no connection.
    static std::string Check(const std::vector<std::string>& c) {
        for (std::size_t i = 0; i < c.size(); ++i) {
            const std::string& k = c[i];
            if (k == "list")
                continue;
            if (k == "request" || k == "release" || k == "send") {
                if (++i >= c.size())
                    return k + " needs an argument";
            } else if (k == "enable" || k == "disable") {
                if (++i >= c.size() || SwitchCode(c[i]) < 0)
                    return k + " needs a type: SERIAL, USB, BT or IR";
            } else if (k == "watch") {
                if (i + 1 < c.size() && ParseInt(c[i + 1], -1) >= 0)
                    ++i;
            } else {
                return "unknown command: " + k;
            }
        }
        return {};
    }

    int Execute(const std::vector<std::string>& c, std::size_t& i) {
        const std::string& k = c[i];
        if (k == "list") {
            if (!Send(kKeyGetAllConnectedPhone))
                return kExitClosed;
            return AwaitReply(ServerMessageKind::GetAllConnectedPhone,
                              "GetAllConnectedPhone (the server does not answer at all when no "
                              "phone is connected)");
        }
        if (k == "request") {
            const std::string& port = c[++i];
            if (!Send(std::u16string(kKeyRequestSerialPort) + FromUtf8Ascii(port)))
                return kExitClosed;
            return AwaitReply(ServerMessageKind::RequestReply, "RequestSerialPort " + port);
        }
        if (k == "release") {
            if (!Send(std::u16string(kKeyReleaseSerialPort) + FromUtf8Ascii(c[++i])))
                return kExitClosed;
            return Watch(kGapMs, false);
        }
        if (k == "enable" || k == "disable") {
            std::u16string text = k == "enable" ? kKeyEnableConnectType : kKeyDisableConnectType;
            text += kSwitchWords[SwitchCode(c[++i])];
            if (!Send(text))
                return kExitClosed;
            return Watch(kGapMs, false);
        }
        if (k == "send") {
            if (!Send(Unescape(FromUtf8Ascii(c[++i]))))
                return kExitClosed;
            return Watch(kGapMs, false);
        }
        // watch [MS]
        int limit = -1;
        if (i + 1 < c.size() && ParseInt(c[i + 1], -1) >= 0)
            limit = ParseInt(c[++i], -1);
        return Watch(limit, true);
    }

    bool Send(const std::u16string& text) {
        if (m_session.SendText(text))
            return true;
        m_err << "portclient: the connection is gone, nothing was sent\n";
        return false;
    }

    // Prints what arrives until the wanted reply does.
    int AwaitReply(ServerMessageKind wanted, const std::string& what) {
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
        for (;;) {
            int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
            ServerMessage message;
            PortClientSession::ReadResult r = m_session.Next(message, left < 0 ? 0 : left);
            if (r == PortClientSession::ReadResult::Timeout) {
                m_err << "portclient: no answer to " << what << " within " << m_timeoutMs
                      << " ms\n";
                return kExitNoAnswer;
            }
            if (r != PortClientSession::ReadResult::Message)
                return Closed(r);
            int code = Print(message);
            if (message.kind == wanted) {
                if (wanted != ServerMessageKind::RequestReply)
                    return code;
                return message.portResult == kPortDone   ? kExitOk
                       : message.portResult == kPortUsed ? kExitPortUsed
                                                         : kExitPortInvalid;
            }
        }
    }

    // Prints every message for limitMs (negative: until the connection ends).
    int Watch(int limitMs, bool announce) {
        if (announce) {
            m_out << "watching "
                  << (limitMs < 0 ? std::string("until the server closes")
                                  : "for " + std::to_string(limitMs) + " ms")
                  << "\n"
                  << std::flush;
        }
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
        int result = kExitOk;
        for (;;) {
            int left = -1;
            if (limitMs >= 0) {
                left = static_cast<int>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now())
                        .count());
                if (left <= 0)
                    return result;
            }
            ServerMessage message;
            PortClientSession::ReadResult r = m_session.Next(message, left);
            if (r == PortClientSession::ReadResult::Timeout)
                return result;
            if (r != PortClientSession::ReadResult::Message)
                return Closed(r);
            int code = Print(message);
            if (result == kExitOk)
                result = code;
        }
    }

    int Closed(PortClientSession::ReadResult r) {
        if (m_session.InsideMessage()) {
            m_err << "portclient: malformed data from the server: the connection ended inside "
                     "a message\n";
            Fail(kExitMalformed);
        }
        m_err << (r == PortClientSession::ReadResult::Closed
                      ? "portclient: the server closed the connection\n"
                      : "portclient: the connection failed\n");
        return kExitClosed;
    }

    // The first failure decides the exit code.
    void Fail(int code) {
        if (m_result == kExitOk)
            m_result = code;
    }

    int Print(const ServerMessage& message) {
        if (message.kind == ServerMessageKind::Malformed) {
            m_err << "portclient: malformed data from the server: " << message.skippedBytes
                  << " byte(s) skipped\n";
            Fail(kExitMalformed);
            return kExitMalformed;
        }
        m_out << DescribeMessage(message) << std::flush;
        return kExitOk;
    }

    std::ostream& m_out;
    std::ostream& m_err;
    PortClientSession m_session;
    int m_timeoutMs = 3000;
    int m_result = kExitOk;
};

} // namespace

bool PortClientSession::Connect(const std::string& host, std::uint16_t port, std::string* error) {
    m_decoder = ClientDecoder();
    return m_connection.Connect(host, port, error);
}

bool PortClientSession::SendText(const std::u16string& text) {
    return m_connection.Send(EncodeText(text));
}

bool PortClientSession::SendBytes(const std::vector<std::uint8_t>& bytes) {
    return m_connection.Send(bytes);
}

PortClientSession::ReadResult PortClientSession::Next(ServerMessage& message, int timeoutMs) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::uint8_t buffer[16384];
    for (;;) {
        if (m_decoder.Next(message))
            return ReadResult::Message;
        int slice = kSilenceMs;
        if (timeoutMs >= 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0)
                return ReadResult::Timeout;
            if (left < slice)
                slice = static_cast<int>(left);
        }
        int n = m_connection.Receive(buffer, sizeof buffer, slice);
        if (n > 0) {
            m_decoder.Feed(buffer, static_cast<std::size_t>(n));
        } else if (n == ClientConnection::kTimeout) {
            m_decoder.Flush();
        } else {
            m_decoder.Flush();
            if (m_decoder.Next(message))
                return ReadResult::Message;
            m_connection.Close();
            return n == ClientConnection::kClosed ? ReadResult::Closed : ReadResult::Error;
        }
    }
}

std::string DescribeMessage(const ServerMessage& message) {
    std::ostringstream s;
    switch (message.kind) {
    case ServerMessageKind::UpdateConnectedPhone:
    case ServerMessageKind::GetAllConnectedPhone:
        s << (message.kind == ServerMessageKind::UpdateConnectedPhone ? "UpdateConnectedPhone"
                                                                      : "GetAllConnectedPhone")
          << ": " << message.count << " phone(s)\n";
        for (std::size_t i = 0; i < message.phones.size(); ++i) {
            const _CONNECTEDPHONE_T& p = message.phones[i];
            s << "  phone " << i + 1 << ": type " << p.dwConnectType << " ("
              << TypeName(p.dwConnectType) << ")\n"
              << "    serial port:  " << Field(p.dwSerialPort) << "\n"
              << "    modem port:   " << Field(p.dwModemPort) << "\n"
              << "    name:         " << Field(p.tszPhoneName) << "\n"
              << "    manufacturer: " << Field(p.tszManufacturer) << "\n"
              << "    IMEI:         " << Field(p.tszIMEI) << "\n"
              << "    DLL:          " << Field(p.tszDllName) << "\n"
              << "    BT address:   " << Field(p.tszBTAddress) << "\n"
              << "    BT stack:     " << Field(p.tszBTStackName) << "\n";
        }
        break;
    case ServerMessageKind::RequestReply: {
        std::u16string word = message.word;
        while (!word.empty() && (word.back() == u'\n' || word.back() == u'\r'))
            word.pop_back();
        s << "RequestSerialPort: " << ToUtf8(word) << "\n";
        break;
    }
    case ServerMessageKind::Malformed:
        s << "malformed data: " << message.skippedBytes << " byte(s) skipped\n";
        break;
    }
    return s.str();
}

int RunPortClient(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Runner(out, err).Run(args);
}

} // namespace hitched
