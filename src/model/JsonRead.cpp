// The strict JSON reader: lexing, typed reads and the failure report.
#include "model/JsonRead.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <utility>

#include "model/JsonUtf8.h"

namespace vantrel::json {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, std::uint32_t codePoint) {
    const auto put = [&](std::uint32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0 | (codePoint >> 6));
        put(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        put(0xE0 | (codePoint >> 12));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    } else {
        put(0xF0 | (codePoint >> 18));
        put(0x80 | ((codePoint >> 12) & 0x3F));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    }
}

std::string describeByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) return std::string("'") + c + "'";
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0x0F];
}

}  // namespace

std::string_view describe(Kind kind) {
    switch (kind) {
        case Kind::null:
            return "null";
        case Kind::boolean:
            return "a boolean";
        case Kind::number:
            return "a number";
        case Kind::string:
            return "a string";
        case Kind::array:
            return "an array";
        case Kind::object:
            return "an object";
        case Kind::invalid:
            break;
    }
    return "no value";
}

Reader::Reader(std::string_view text, std::size_t maxDepth) : text_(text), maxDepth_(maxDepth) {
    // Some editors start UTF-8 files with a byte-order mark; it carries no meaning.
    if (text_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
}

void Reader::skipWhitespace() {
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
        ++pos_;
    }
}

bool Reader::consume(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
        ++pos_;
        return true;
    }
    return false;
}

Kind Reader::peek() {
    if (failure_) return Kind::invalid;
    skipWhitespace();
    if (pos_ >= text_.size()) {
        syntaxError("unexpected end of the document");
        return Kind::invalid;
    }
    const char c = text_[pos_];
    switch (c) {
        case 'n':
            return Kind::null;
        case 't':
        case 'f':
            return Kind::boolean;
        case '"':
            return Kind::string;
        case '[':
            return Kind::array;
        case '{':
            return Kind::object;
        default:
            break;
    }
    if (c == '-' || isDigit(c)) return Kind::number;
    syntaxError("expected a value, found " + describeByte(c));
    return Kind::invalid;
}

bool Reader::consumeNull() {
    if (peek() != Kind::null) return false;
    if (text_.substr(pos_, 4) != "null") return syntaxError("invalid literal");
    pos_ += 4;
    return true;
}

bool Reader::readBool(bool& out) {
    const Kind kind = peek();
    if (kind != Kind::boolean)
        return kind == Kind::invalid ? false : typeError(Kind::boolean, kind);
    if (text_.substr(pos_, 4) == "true") {
        pos_ += 4;
        out = true;
    } else if (text_.substr(pos_, 5) == "false") {
        pos_ += 5;
        out = false;
    } else {
        return syntaxError("invalid literal");
    }
    return true;
}

bool Reader::readString(std::string& out) {
    const Kind kind = peek();
    if (kind != Kind::string) return kind == Kind::invalid ? false : typeError(Kind::string, kind);
    std::string_view view;
    if (!scanString(view)) return false;
    out.assign(view);
    return true;
}

bool Reader::scanString(std::string_view& view) {
    const std::size_t size = text_.size();
    const std::size_t start = pos_ + 1;
    std::size_t p = start;
    std::size_t segment = start;
    bool escaped = false;
    for (;;) {
        if (p >= size) {
            pos_ = p;
            return syntaxError("unterminated string");
        }
        const auto c = static_cast<unsigned char>(text_[p]);
        if (c == '"') break;
        if (c == '\\') {
            if (!escaped) scratch_.clear();
            escaped = true;
            scratch_.append(text_.substr(segment, p - segment));
            if (!scanEscape(p)) return false;
            segment = p;
        } else if (c < 0x20) {
            pos_ = p;
            return syntaxError("control character in a string");
        } else if (c < 0x80) {
            ++p;
        } else {
            const std::size_t length = utf8SequenceLength(text_, p);
            if (length == 0) {
                pos_ = p;
                return syntaxError("invalid UTF-8 in a string");
            }
            p += length;
        }
    }
    if (escaped) {
        scratch_.append(text_.substr(segment, p - segment));
        view = scratch_;
    } else {
        view = text_.substr(start, p - start);
    }
    pos_ = p + 1;
    return true;
}

// Decodes the escape at text_[p] (a backslash) into scratch_ and moves p past it.
bool Reader::scanEscape(std::size_t& p) {
    const auto hex4 = [&](std::size_t at, std::uint32_t& value) {
        if (at + 4 > text_.size()) return false;
        value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const int digit = hexValue(text_[at + i]);
            if (digit < 0) return false;
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    };
    const auto bad = [&](const char* message) {
        pos_ = p;
        return syntaxError(message);
    };
    if (p + 1 >= text_.size()) return bad("unterminated string");
    const char kind = text_[p + 1];
    char plain = 0;
    switch (kind) {
        case '"':
            plain = '"';
            break;
        case '\\':
            plain = '\\';
            break;
        case '/':
            plain = '/';
            break;
        case 'b':
            plain = '\b';
            break;
        case 'f':
            plain = '\f';
            break;
        case 'n':
            plain = '\n';
            break;
        case 'r':
            plain = '\r';
            break;
        case 't':
            plain = '\t';
            break;
        case 'u':
            break;
        default:
            return bad("invalid escape in a string");
    }
    if (kind != 'u') {
        scratch_.push_back(plain);
        p += 2;
        return true;
    }
    std::uint32_t codePoint = 0;
    if (!hex4(p + 2, codePoint)) return bad("invalid \\u escape in a string");
    if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) return bad("unpaired surrogate in a string");
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
        std::uint32_t low = 0;
        const std::size_t next = p + 6;
        if (next + 1 >= text_.size() || text_[next] != '\\' || text_[next + 1] != 'u' ||
            !hex4(next + 2, low) || low < 0xDC00 || low > 0xDFFF)
            return bad("unpaired surrogate in a string");
        codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
        p += 6;
    }
    appendUtf8(scratch_, codePoint);
    p += 6;
    return true;
}

bool Reader::scanNumber(Number& number) {
    const std::size_t size = text_.size();
    const std::size_t start = pos_;
    std::size_t p = pos_;
    const auto digitsFrom = [&](std::size_t from) {
        while (p < size && isDigit(text_[p])) ++p;
        return text_.substr(from, p - from);
    };
    const auto bad = [&](const char* message) {
        pos_ = p;
        return syntaxError(message);
    };
    number.negative = p < size && text_[p] == '-';
    if (number.negative) ++p;
    if (p >= size || !isDigit(text_[p])) return bad("invalid number");
    if (text_[p] == '0' && p + 1 < size && isDigit(text_[p + 1]))
        return bad("invalid number: leading zero");
    number.integerDigits = digitsFrom(p);
    number.fractionDigits = {};
    if (p < size && text_[p] == '.') {
        ++p;
        number.fractionDigits = digitsFrom(p);
        if (number.fractionDigits.empty()) return bad("invalid number: no digits after '.'");
    }
    number.exponent = 0;
    if (p < size && (text_[p] == 'e' || text_[p] == 'E')) {
        ++p;
        const bool negativeExponent = p < size && text_[p] == '-';
        if (p < size && (text_[p] == '-' || text_[p] == '+')) ++p;
        const auto digits = digitsFrom(p);
        if (digits.empty()) return bad("invalid number: no digits in the exponent");
        // Beyond a billion the exponent only decides between zero, huge and fractional.
        constexpr std::int64_t kCap = 1'000'000'000;
        for (const char d : digits) {
            number.exponent = number.exponent * 10 + (d - '0');
            if (number.exponent > kCap) {
                number.exponent = kCap;
                break;
            }
        }
        if (negativeExponent) number.exponent = -number.exponent;
    }
    number.text = text_.substr(start, p - start);
    pos_ = p;
    return true;
}

bool Reader::readDouble(double& out) {
    const Kind kind = peek();
    if (kind != Kind::number) return kind == Kind::invalid ? false : typeError(Kind::number, kind);
    Number number;
    if (!scanNumber(number)) return false;
    double value = 0;
    const auto [end, error] =
        std::from_chars(number.text.data(), number.text.data() + number.text.size(), value);
    if (error == std::errc::result_out_of_range) return fail("number out of range");
    if (error != std::errc{} || end != number.text.data() + number.text.size())
        return fail("invalid number");
    out = value;
    return true;
}

bool Reader::readIntegerIn(std::uint64_t maxPositive, std::uint64_t maxNegative, bool& negative,
                           std::uint64_t& magnitude) {
    const Kind kind = peek();
    if (kind != Kind::number) return kind == Kind::invalid ? false : typeError(Kind::number, kind);
    Number number;
    if (!scanNumber(number)) return false;
    const auto range = [&] {
        std::string text = " (";
        if (maxNegative != 0)
            text += "-" + std::to_string(maxNegative);
        else
            text += "0";
        return text + " to " + std::to_string(maxPositive) + ")";
    };

    // The digits of the integer and fraction parts form one sequence, scaled by 10^scale.
    const std::string_view whole = number.integerDigits;
    const std::string_view fraction = number.fractionDigits;
    const auto digitAt = [&](std::size_t i) {
        return i < whole.size() ? whole[i] : fraction[i - whole.size()];
    };
    const std::size_t total = whole.size() + fraction.size();
    std::size_t first = 0;
    while (first < total && digitAt(first) == '0') ++first;
    negative = number.negative;
    magnitude = 0;
    if (first == total) return true;  // zero in any notation, -0 included
    std::size_t last = total;
    std::int64_t scale = number.exponent - static_cast<std::int64_t>(fraction.size());
    while (digitAt(last - 1) == '0') {
        --last;
        ++scale;
    }
    if (scale < 0) return fail("not a whole number");
    if (static_cast<std::int64_t>(last - first) + scale > 20) return fail("out of range" + range());
    std::uint64_t value = 0;
    bool overflow = false;
    for (std::size_t i = first; i < last && !overflow; ++i) {
        overflow = __builtin_mul_overflow(value, 10u, &value) ||
                   __builtin_add_overflow(value, static_cast<unsigned>(digitAt(i) - '0'), &value);
    }
    for (std::int64_t i = 0; i < scale && !overflow; ++i)
        overflow = __builtin_mul_overflow(value, 10u, &value);
    if (overflow || value > (negative ? maxNegative : maxPositive))
        return fail("out of range" + range());
    magnitude = value;
    return true;
}

bool Reader::skipValue() {
    switch (peek()) {
        case Kind::null:
            return consumeNull();
        case Kind::boolean: {
            bool ignored = false;
            return readBool(ignored);
        }
        case Kind::number: {
            Number ignored;
            return scanNumber(ignored);
        }
        case Kind::string: {
            std::string_view ignored;
            return scanString(ignored);
        }
        case Kind::array:
            return readArray([this](std::size_t) { return skipValue(); });
        case Kind::object:
            return readObject([this](std::string_view) { return skipValue(); });
        case Kind::invalid:
            break;
    }
    return false;
}

bool Reader::enter(Kind kind) {
    const Kind found = peek();
    if (found == Kind::invalid) return false;
    if (found != kind) return typeError(kind, found);
    if (depth_ >= maxDepth_)
        return syntaxError("nesting deeper than " + std::to_string(maxDepth_) + " levels");
    ++depth_;
    ++pos_;
    return true;
}

bool Reader::finish() {
    if (failure_) return false;
    skipWhitespace();
    if (pos_ != text_.size()) return syntaxError("unexpected text after the document");
    return true;
}

bool Reader::syntaxError(std::string message) {
    if (!failure_) failure_ = Failure{std::move(message), {}, pos_, true};
    return false;
}

bool Reader::typeError(Kind expected, Kind found) {
    return fail("expected " + std::string(describe(expected)) + ", found " +
                std::string(describe(found)));
}

bool Reader::fail(std::string message) {
    if (!failure_) failure_ = Failure{std::move(message), {}, pos_, false};
    return false;
}

void Reader::prefix(std::string_view segment) {
    if (!failure_) return;
    failure_->path.insert(0, std::string(segment) + ": ");
}

std::string Reader::errorMessage() const {
    if (!failure_) return {};
    if (!failure_->syntax) return failure_->path + failure_->message;
    // Lines and columns count from 1; columns in bytes, as editors that show byte offsets do.
    const std::size_t offset = std::min(failure_->offset, text_.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text_[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return failure_->path + "line " + std::to_string(line) + ", column " +
           std::to_string(offset - lineStart + 1) + ": " + failure_->message;
}

}  // namespace vantrel::json
