// The log: one line per message on standard output, safe from any thread.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class Log {
  public:
    virtual ~Log() = default;
    // Writes one message as one line. Newlines inside the message are written as spaces.
    virtual void line(std::string_view message) = 0;
};

// Writes each line to standard output and flushes it at once.
class StdoutLog final : public Log {
  public:
    void line(std::string_view message) override;

  private:
    std::mutex mutex_;
};

// Keeps the lines in memory (tests); can also pass them on to another log.
class MemoryLog final : public Log {
  public:
    explicit MemoryLog(Log* forward = nullptr) : forward_(forward) {}
    void line(std::string_view message) override;

    std::vector<std::string> lines() const;
    // Returns the lines written so far and forgets them.
    std::vector<std::string> take();
    bool contains(std::string_view message) const;

  private:
    Log* forward_;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// The message as it is written: one line, with CR and LF turned into spaces.
std::string singleLine(std::string_view message);

}  // namespace vantrel
