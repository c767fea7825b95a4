// Version numbers as the update feed and the program write them, and their order.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// "1.10.2", "v2.0", "1.2-beta.3", "1.2rc1", "1.0+build.5". Trailing zero parts do not count
// (1.2 == 1.2.0); a pre-release sorts before its release (1.2-beta < 1.2); build metadata after
// '+' is ignored.
struct Version {
    std::vector<std::uint64_t> release;
    // The pre-release parts: numbers compare as numbers, words case-insensitively, and a number
    // sorts before a word (rc.1 < rc.beta); fewer parts sort first when the rest is equal.
    struct Part {
        bool numeric = false;
        std::uint64_t number = 0;
        std::string text;
    };
    std::vector<Part> preRelease;

    // Nothing for text that is not a version: empty, no leading number, stray characters,
    // a number too large, or longer than 64 characters.
    static std::optional<Version> parse(std::string_view text);
};

std::strong_ordering operator<=>(const Version& a, const Version& b);
inline bool operator==(const Version& a, const Version& b) {
    return (a <=> b) == std::strong_ordering::equal;
}

// Whether `candidate` is a later version than `current`; false when either is not a version.
bool isNewerVersion(std::string_view candidate, std::string_view current);

}  // namespace vantrel
