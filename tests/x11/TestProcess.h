// Child processes for the X11 tests: spawned with pipes, read line by line with deadlines.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::testing {

class TestProcess {
  public:
    TestProcess() = default;
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;
    TestProcess(TestProcess&& other) noexcept;
    TestProcess& operator=(TestProcess&& other) noexcept;
    ~TestProcess();

    // Starts `argv[0]` (a path) with pipes on stdin and stdout.
    static std::optional<TestProcess> spawn(const std::vector<std::string>& argv);

    // The next line of output, waiting at most `timeout`; none at the deadline or at EOF.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    bool writeLine(const std::string& line);
    // True when it has exited, waiting at most `timeout`.
    bool waitForExit(std::chrono::milliseconds timeout);
    // Ends it with SIGTERM (SIGKILL after a grace period) and reaps it.
    void stop();
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
    bool exited_ = false;
};

// Waits for `condition`, checking every few milliseconds, until `timeout`.
template <typename Condition>
bool eventually(Condition condition,
                std::chrono::milliseconds timeout = std::chrono::milliseconds{15000}) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
    return true;
}

}  // namespace vantrel::testing
