// A strict pull reader of JSON text that files and preferences are decoded with.
//
// Values are read in document order straight into the caller's records: no document tree is
// built, so large files decode quickly. The reader never throws and never recurses deeper than
// its depth limit, whatever the text holds. The first failure stops it: every later call returns
// false, and errorMessage() says what went wrong and where.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::json {

enum class Kind { null, boolean, number, string, array, object, invalid };

// "null", "a boolean", "a number", "a string", "an array", "an object".
std::string_view describe(Kind kind);

class Reader {
  public:
    // Records nest a few levels; unknown members may nest deeper, but not without bound.
    static constexpr std::size_t kDefaultMaxDepth = 64;

    explicit Reader(std::string_view text, std::size_t maxDepth = kDefaultMaxDepth);

    // The kind of the next value; Kind::invalid (and a failure) when no value can start there.
    Kind peek();
    // Consumes a null and returns true when one comes next; otherwise consumes nothing.
    bool consumeNull();

    bool readBool(bool& out);
    bool readString(std::string& out);
    // Any JSON number; fails when its magnitude is beyond the range of a double.
    bool readDouble(double& out);
    // A number whose exact value is whole and within T's range, in any notation: 5, 5.0, 0.5e1.
    template <typename T>
    requires(std::integral<T> && !std::same_as<T, bool>) bool readInteger(T& out);
    // Reads past the next value, checking its syntax.
    bool skipValue();

    // Reads an array, calling element(index) for each element; element must read exactly one
    // value and return false to stop.
    template <typename F>
    bool readArray(F&& element);
    // Reads an object, calling member(key) for each member; member must read exactly one value
    // and return false to stop. The key stays valid until the next value is read.
    template <typename F>
    bool readObject(F&& member);

    // Checks that nothing but white space follows the value read.
    bool finish();

    bool failed() const { return failure_.has_value(); }
    // Rejects the content just read (a value of the right JSON type the caller cannot use).
    bool fail(std::string message);
    // Puts one segment of the place of the failure in front of it ("windows[2]", "frameX").
    void prefix(std::string_view segment);
    // "layout 3: windows[2]: missing key "frameX"", or with "line L, column C: " before the
    // message for syntax errors.
    std::string errorMessage() const;

  private:
    struct Failure {
        std::string message;
        std::string path;
        std::size_t offset;
        bool syntax;
    };
    struct Number {
        std::string_view text;
        std::string_view integerDigits;
        std::string_view fractionDigits;
        std::int64_t exponent = 0;  // saturated far beyond any meaningful value
        bool negative = false;
    };

    bool enter(Kind kind);
    void leave() { --depth_; }
    bool syntaxError(std::string message);
    bool typeError(Kind expected, Kind found);
    void skipWhitespace();
    bool consume(char c);
    bool scanString(std::string_view& view);
    bool scanEscape(std::size_t& p);
    bool scanNumber(Number& number);
    bool readIntegerIn(std::uint64_t maxPositive, std::uint64_t maxNegative, bool& negative,
                       std::uint64_t& magnitude);

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t depth_ = 0;
    std::size_t maxDepth_;
    std::string scratch_;
    std::optional<Failure> failure_;
};

template <typename T>
requires(std::integral<T> && !std::same_as<T, bool>) bool Reader::readInteger(T& out) {
    using Limits = std::numeric_limits<T>;
    std::uint64_t maxNegative = 0;
    if constexpr (Limits::is_signed)
        maxNegative = static_cast<std::uint64_t>(-(Limits::min() + 1)) + 1;
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!readIntegerIn(static_cast<std::uint64_t>(Limits::max()), maxNegative, negative, magnitude))
        return false;
    if (!negative || magnitude == 0) {
        out = static_cast<T>(magnitude);
    } else if constexpr (Limits::is_signed) {
        out = static_cast<T>(-static_cast<T>(magnitude - 1) - 1);
    }
    return true;
}

template <typename F>
bool Reader::readArray(F&& element) {
    if (!enter(Kind::array)) return false;
    skipWhitespace();
    if (consume(']')) {
        leave();
        return true;
    }
    for (std::size_t index = 0;; ++index) {
        if (!element(index)) return false;
        skipWhitespace();
        if (consume(',')) continue;
        if (consume(']')) break;
        return syntaxError("expected ',' or ']'");
    }
    leave();
    return true;
}

template <typename F>
bool Reader::readObject(F&& member) {
    if (!enter(Kind::object)) return false;
    skipWhitespace();
    if (consume('}')) {
        leave();
        return true;
    }
    for (;;) {
        skipWhitespace();
        if (pos_ >= text_.size() || text_[pos_] != '"') return syntaxError("expected a key");
        std::string_view key;
        if (!scanString(key)) return false;
        skipWhitespace();
        if (!consume(':')) return syntaxError("expected ':'");
        if (!member(key)) return false;
        skipWhitespace();
        if (consume(',')) continue;
        if (consume('}')) break;
        return syntaxError("expected ',' or '}'");
    }
    leave();
    return true;
}

}  // namespace vantrel::json
