// Line-oriented logging to standard output.
#include "base/Log.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace vantrel {

std::string singleLine(std::string_view message) {
    std::string text(message);
    // A window title or file error must not be able to forge a second log line.
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

void StdoutLog::line(std::string_view message) {
    std::string text = singleLine(message);
    text.push_back('\n');
    std::lock_guard lock(mutex_);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void MemoryLog::line(std::string_view message) {
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(singleLine(message));
    }
    if (forward_ != nullptr) forward_->line(message);
}

std::vector<std::string> MemoryLog::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> MemoryLog::take() {
    std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
}

bool MemoryLog::contains(std::string_view message) const {
    std::lock_guard lock(mutex_);
    return std::find(lines_.begin(), lines_.end(), message) != lines_.end();
}

}  // namespace vantrel
