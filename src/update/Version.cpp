// Parsing and ordering of version numbers.
#include "update/Version.h"

#include <algorithm>
#include <cctype>

namespace vantrel {
namespace {

constexpr std::size_t kMaxLength = 64;
// 18 digits always fit an unsigned 64-bit number.
constexpr std::size_t kMaxDigits = 18;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isSeparator(char c) {
    return c == '.' || c == '-' || c == '_' || c == '~';
}

// Reads the digits at `pos`; nothing when there are none or too many.
std::optional<std::uint64_t> readNumber(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    std::uint64_t value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
        ++pos;
    }
    if (pos == start || pos - start > kMaxDigits) return std::nullopt;
    return value;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return result;
}

std::strong_ordering comparePart(const Version::Part& a, const Version::Part& b) {
    if (a.numeric && b.numeric) return a.number <=> b.number;
    if (a.numeric != b.numeric)
        return a.numeric ? std::strong_ordering::less : std::strong_ordering::greater;
    return a.text <=> b.text;
}

}  // namespace

std::optional<Version> Version::parse(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.empty() || text.size() > kMaxLength) return std::nullopt;
    if (text.front() == 'v' || text.front() == 'V') text.remove_prefix(1);
    if (const auto plus = text.find('+'); plus != std::string_view::npos) {
        text = text.substr(0, plus);
    }

    Version version;
    std::size_t pos = 0;
    while (true) {
        const auto number = readNumber(text, pos);
        if (!number) return std::nullopt;
        version.release.push_back(*number);
        if (pos + 1 < text.size() && text[pos] == '.' && isDigit(text[pos + 1])) {
            ++pos;
            continue;
        }
        break;
    }

    // What follows the numbers is a pre-release: words and numbers, split at separators and
    // where letters meet digits ("rc1" is "rc", 1).
    if (pos < text.size() && isSeparator(text[pos])) ++pos;
    bool expectPart = pos < text.size() || (pos > 0 && isSeparator(text[pos - 1]));
    while (pos < text.size()) {
        const char c = text[pos];
        Part part;
        if (isDigit(c)) {
            const auto number = readNumber(text, pos);
            if (!number) return std::nullopt;
            part.numeric = true;
            part.number = *number;
        } else if (isLetter(c)) {
            const std::size_t start = pos;
            while (pos < text.size() && isLetter(text[pos])) ++pos;
            part.text = lowered(text.substr(start, pos - start));
        } else {
            return std::nullopt;
        }
        version.preRelease.push_back(std::move(part));
        expectPart = false;
        if (pos < text.size() && isSeparator(text[pos])) {
            ++pos;
            expectPart = true;
        }
    }
    // "1.2-" or "1.2-beta." end on a separator: not a version.
    if (expectPart) return std::nullopt;
    return version;
}

std::strong_ordering operator<=>(const Version& a, const Version& b) {
    const std::size_t count = std::max(a.release.size(), b.release.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t left = i < a.release.size() ? a.release[i] : 0;
        const std::uint64_t right = i < b.release.size() ? b.release[i] : 0;
        if (const auto order = left <=> right; order != 0) return order;
    }
    // A release is later than any of its pre-releases.
    if (a.preRelease.empty() || b.preRelease.empty()) {
        return b.preRelease.size() == 0 ? (a.preRelease.empty() ? std::strong_ordering::equal
                                                                : std::strong_ordering::less)
                                        : std::strong_ordering::greater;
    }
    const std::size_t shared = std::min(a.preRelease.size(), b.preRelease.size());
    for (std::size_t i = 0; i < shared; ++i) {
        if (const auto order = comparePart(a.preRelease[i], b.preRelease[i]); order != 0)
            return order;
    }
    return a.preRelease.size() <=> b.preRelease.size();
}

bool isNewerVersion(std::string_view candidate, std::string_view current) {
    const auto a = Version::parse(candidate);
    const auto b = Version::parse(current);
    return a && b && (*a <=> *b) == std::strong_ordering::greater;
}

}  // namespace vantrel
