#pragma once
// The client side of the port service as one object (a connection and the message decoder),
// and the portclient command line built on it.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "portservice/client_decoder.h"
#include "tools/portclient/client_connection.h"

namespace hitched {

class PortClientSession {
public:
    enum class ReadResult { Message, Timeout, Closed, Error };

    bool Connect(const std::string& host, std::uint16_t port, std::string* error);
    // The text as UTF-16LE in one send; the server takes one read for one request.
    bool SendText(const std::u16string& text);
    bool SendBytes(const std::vector<std::uint8_t>& bytes);
    // The next complete server message, waiting at most timeoutMs (negative: no limit).
    ReadResult Next(ServerMessage& message, int timeoutMs);
    void Close() { m_connection.Close(); }
    void Reset() { m_connection.Reset(); }
    bool IsConnected() const { return m_connection.IsConnected(); }
    // Part of a message was received and the rest has not come (yet).
    bool InsideMessage() const { return !m_decoder.AtMessageBoundary(); }

private:
    ClientConnection m_connection;
    ClientDecoder m_decoder;
};

// Human-readable form of one message: the count, then every phone field by field.
std::string DescribeMessage(const ServerMessage& message);

// Exit codes of the tool.
enum PortClientExit : int {
    kExitOk = 0,
    kExitUsage = 1,
    kExitNoServer = 2,
    kExitNoAnswer = 3,
    kExitMalformed = 4,
    kExitClosed = 5,
    kExitPortUsed = 6,
    kExitPortInvalid = 7,
};

// Runs the command line (without the program name); see the usage text for the commands.
int RunPortClient(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace hitched
