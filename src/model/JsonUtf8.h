// UTF-8 validation shared by the JSON reader (which rejects bad text) and writer (which mends it).
#pragma once

#include <cstddef>
#include <string_view>

namespace vantrel::json {

// Length of the well-formed UTF-8 sequence starting at text[pos] (1 to 4), or 0 when it is
// malformed: overlong forms, surrogates and code points above U+10FFFF are malformed too.
inline std::size_t utf8SequenceLength(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const std::size_t left = text.size() - pos;
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    const auto continuation = [&](std::size_t i, unsigned char low = 0x80,
                                  unsigned char high = 0xBF) {
        return i < left && byte(i) >= low && byte(i) <= high;
    };
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return continuation(1, low, high) && continuation(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return continuation(1, low, high) && continuation(2) && continuation(3) ? 4 : 0;
    }
    return 0;
}

}  // namespace vantrel::json
