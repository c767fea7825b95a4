// A writer of indented JSON text, one member or element per line, keys in the order written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::json {

class Writer {
  public:
    // Appends to `out`, indenting each level by `indent` spaces.
    explicit Writer(std::string& out, std::size_t indent = 2) : out_(out), indent_(indent) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // Starts a member of the current object; its value follows.
    void key(std::string_view name);

    // Text that is not valid UTF-8 is mended: each malformed byte becomes U+FFFD.
    void string(std::string_view text);
    void boolean(bool value);
    void integer(std::int64_t value);
    void unsignedInteger(std::uint64_t value);
    // The shortest text that reads back as the same double. JSON has no infinities or NaN:
    // returns false and writes nothing for them.
    [[nodiscard]] bool number(double value);

  private:
    void beforeValue();
    void close(char bracket);
    void quoted(std::string_view text);
    void newline(std::size_t depth);

    std::string& out_;
    std::size_t indent_;
    // One entry per open container: whether it holds a member or element yet.
    std::vector<bool> nonEmpty_;
    bool afterKey_ = false;
};

}  // namespace vantrel::json
