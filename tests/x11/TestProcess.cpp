// Spawning, talking to and reaping the X server, window manager and test clients.
#include "TestProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

extern char** environ;

namespace vantrel::testing {

TestProcess::TestProcess(TestProcess&& other) noexcept {
    *this = std::move(other);
}

TestProcess& TestProcess::operator=(TestProcess&& other) noexcept {
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
        in_ = std::exchange(other.in_, -1);
        out_ = std::exchange(other.out_, -1);
        buffer_ = std::move(other.buffer_);
        exited_ = std::exchange(other.exited_, false);
    }
    return *this;
}

TestProcess::~TestProcess() {
    stop();
}

std::optional<TestProcess> TestProcess::spawn(const std::vector<std::string>& argv) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return std::nullopt;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return std::nullopt;
    }
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    TestProcess process;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls here. The child dies with the test, so a crashed or
        // timed-out test leaves no X server behind.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::execve(args[0], args.data(), environ);
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    process.in_ = in[1];
    process.out_ = out[0];
    if (pid < 0) return std::nullopt;
    process.pid_ = pid;
    return process;
}

std::optional<std::string> TestProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (const auto end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || out_ < 0) return std::nullopt;
        pollfd fd{out_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[256];
        const ssize_t n = ::read(out_, chunk, sizeof chunk);
        if (n <= 0) return std::nullopt;
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

bool TestProcess::writeLine(const std::string& line) {
    if (in_ < 0) return false;
    const std::string text = line + "\n";
    return ::write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool TestProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (pid_ < 0 || exited_) return true;
    return eventually(
        [&] {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) exited_ = true;
            return exited_;
        },
        timeout);
}

void TestProcess::stop() {
    if (in_ >= 0) ::close(std::exchange(in_, -1));
    if (out_ >= 0) ::close(std::exchange(out_, -1));
    if (pid_ < 0) return;
    if (!exited_) {
        ::kill(pid_, SIGTERM);
        if (!waitForExit(std::chrono::milliseconds{2000})) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    pid_ = -1;
    exited_ = false;
}

}  // namespace vantrel::testing
