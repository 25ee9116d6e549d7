#pragma once
// The server's inner records, shared by its two source files (connections and pushes).
#include "portservice/port_service.h"

// One accepted connection, the thread that serves its requests and the writer that sends it
// its pushes.
struct CPortService::Connection {
    explicit Connection(hitched::SocketHandle s) : socket(s) {}

    const hitched::SocketHandle socket;
    std::unique_ptr<hitched::ServerThread> thread;
    std::unique_ptr<hitched::ServerThread> writer;
    // A header and its payload go out under this lock, so a reply and a push to the same
    // client never interleave.
    std::mutex sendLock;
    // Guards `closed` against StopServer's Interrupt; never held across a send.
    std::mutex stateLock;
    bool closed = false;
    std::atomic<bool> finished{false};

    // Pushes handed to this client and not sent yet; guarded by outboxLock.
    std::mutex outboxLock;
    std::condition_variable outboxChanged;
    std::deque<PushPtr> outbox;
    bool writerStop = false;
};

// One push as it goes on the wire, shared by every client's writer.
struct CPortService::Push {
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> payload;
    bool armsRetryTimer = false; // an empty list that is no repeat: the timer follows it
};
