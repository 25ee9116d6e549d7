#include "tests/tools/phonesim_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace hitched::test {

std::string PhoneSimPath() {
    return PHONESIM_PATH;
}

namespace {

// Reads the first stdout line of the child (its pty path), waiting at most 5 s.
std::string ReadFirstLine(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            continue;
        }
        char c;
        if (read(fd, &c, 1) != 1) {
            break;
        }
        if (c == '\n') {
            return line;
        }
        line.push_back(c);
    }
    return {};
}

} // namespace

PhoneSimProcess::PhoneSimProcess(const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        const std::string path = PhoneSimPath();
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_stdin = in[1];
    if (m_pid > 0) {
        m_ptyPath = ReadFirstLine(out[0]);
    }
    close(out[0]);
    if (!m_ptyPath.empty()) {
        Reopen();
    }
}

PhoneSimProcess::~PhoneSimProcess() {
    Stop();
    CloseFd();
    if (m_stdin >= 0) {
        close(m_stdin);
    }
}

bool PhoneSimProcess::Reopen() {
    CloseFd();
    m_fd = open(m_ptyPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        return false;
    }
    termios tio{};
    tcgetattr(m_fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_fd, TCSANOW, &tio);
    return true;
}

void PhoneSimProcess::CloseFd() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

bool PhoneSimProcess::Send(const std::string& bytes) {
    return m_fd >= 0 &&
           write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::string PhoneSimProcess::ReadUntil(const std::string& until,
                                       std::chrono::milliseconds timeout) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_fd >= 0) {
        if (!until.empty() && got.find(until) != std::string::npos) {
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd p = {m_fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[1024];
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return got;
}

std::string PhoneSimProcess::ReadFor(std::chrono::milliseconds duration) {
    return ReadUntil("", duration);
}

void PhoneSimProcess::Control(const std::string& line) {
    const std::string text = line + "\n";
    if (m_stdin >= 0) {
        (void)!write(m_stdin, text.data(), text.size());
    }
}

void PhoneSimProcess::CloseStdin() {
    if (m_stdin >= 0) {
        close(m_stdin);
        m_stdin = -1;
    }
}

int PhoneSimProcess::WaitExit(std::chrono::milliseconds timeout) {
    if (m_pid <= 0) {
        return -1;
    }
    if (m_exited) {
        return m_status;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_exited = true;
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return m_status;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int PhoneSimProcess::Stop() {
    if (m_pid <= 0) {
        return -1;
    }
    if (!m_exited) {
        kill(m_pid, SIGTERM);
        if (WaitExit(std::chrono::seconds(5)) < 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_exited = true;
            m_status = -1;
        }
    }
    return m_status;
}

} // namespace hitched::test
