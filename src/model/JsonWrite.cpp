// The indented JSON writer.
#include "model/JsonWrite.h"

#include <charconv>
#include <cmath>

#include "model/JsonUtf8.h"

namespace vantrel::json {

void Writer::newline(std::size_t depth) {
    out_.push_back('\n');
    out_.append(depth * indent_, ' ');
}

// Places a value: right after its key, or on a line of its own inside an array.
void Writer::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (nonEmpty_.empty()) return;
    if (nonEmpty_.back()) out_.push_back(',');
    nonEmpty_.back() = true;
    newline(nonEmpty_.size());
}

void Writer::beginObject() {
    beforeValue();
    out_.push_back('{');
    nonEmpty_.push_back(false);
}

void Writer::close(char bracket) {
    const bool nonEmpty = nonEmpty_.back();
    nonEmpty_.pop_back();
    if (nonEmpty) newline(nonEmpty_.size());
    out_.push_back(bracket);
}

void Writer::endObject() {
    close('}');
}

void Writer::beginArray() {
    beforeValue();
    out_.push_back('[');
    nonEmpty_.push_back(false);
}

void Writer::endArray() {
    close(']');
}

void Writer::key(std::string_view name) {
    beforeValue();
    quoted(name);
    out_.append(": ");
    afterKey_ = true;
}

void Writer::string(std::string_view text) {
    beforeValue();
    quoted(text);
}

void Writer::quoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out_.push_back('"');
    std::size_t segment = 0;
    std::size_t i = 0;
    const auto flush = [&] { out_.append(text.substr(segment, i - segment)); };
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text, i);
            if (length != 0) {
                i += length;
                continue;
            }
            flush();
            out_.append("\xEF\xBF\xBD");
            segment = ++i;
            continue;
        }
        flush();
        switch (c) {
            case '"':
                out_.append("\\\"");
                break;
            case '\\':
                out_.append("\\\\");
                break;
            case '\b':
                out_.append("\\b");
                break;
            case '\f':
                out_.append("\\f");
                break;
            case '\n':
                out_.append("\\n");
                break;
            case '\r':
                out_.append("\\r");
                break;
            case '\t':
                out_.append("\\t");
                break;
            default:
                out_.append("\\u00");
                out_.push_back(kHex[c >> 4]);
                out_.push_back(kHex[c & 0x0F]);
        }
        segment = ++i;
    }
    flush();
    out_.push_back('"');
}

void Writer::boolean(bool value) {
    beforeValue();
    out_.append(value ? "true" : "false");
}

void Writer::integer(std::int64_t value) {
    beforeValue();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
}

void Writer::unsignedInteger(std::uint64_t value) {
    beforeValue();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
}

bool Writer::number(double value) {
    if (!std::isfinite(value)) return false;
    beforeValue();
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
    return true;
}

}  // namespace vantrel::json
