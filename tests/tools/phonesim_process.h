#pragma once
// Test helper: runs tools/phonesim as a child process and talks to it over its pty, the way a
// serial program on the other end of the line would.
#include <chrono>
#include <string>
#include <vector>

namespace hitched::test {

class PhoneSimProcess {
public:
    // Starts phonesim with the arguments; stdin is a pipe the test may write control lines to.
    explicit PhoneSimProcess(const std::vector<std::string>& args);
    ~PhoneSimProcess();
    PhoneSimProcess(const PhoneSimProcess&) = delete;
    PhoneSimProcess& operator=(const PhoneSimProcess&) = delete;

    bool Started() const { return !m_ptyPath.empty(); }
    const std::string& PtyPath() const { return m_ptyPath; }

    // The pty side the host uses (raw mode); opened by the constructor.
    int Fd() const { return m_fd; }
    bool Reopen();
    void CloseFd();

    bool Send(const std::string& bytes);
    // Everything that arrives until `until` is found in it or the time-out passes.
    std::string ReadUntil(const std::string& until, std::chrono::milliseconds timeout);
    // Everything that arrives within the time.
    std::string ReadFor(std::chrono::milliseconds duration);

    void Control(const std::string& line); // one stdin line
    void CloseStdin();
    // Sends SIGTERM (unless already ended) and returns the exit status (-1: not a clean exit).
    int Stop();
    // Waits up to the time-out for the process to end by itself; its exit status or -1.
    int WaitExit(std::chrono::milliseconds timeout);

private:
    int m_pid = -1;
    int m_stdin = -1;
    int m_fd = -1;
    std::string m_ptyPath;
    bool m_exited = false;
    int m_status = -1;
};

// Path of the phonesim binary this test build uses.
std::string PhoneSimPath();

} // namespace hitched::test
