// Display ids, model names and hex text of EDIDs.
#include "platform/freedesktop/Edid.h"

namespace vantrel::freedesktop {
namespace {

std::uint32_t fnv1a(std::uint32_t hash, std::uint8_t byte) {
    return (hash ^ byte) * 16777619u;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::uint32_t displayId(const std::vector<std::uint8_t>& edid, std::string_view name) {
    std::uint32_t hash = 2166136261u;
    if (edid.size() >= 128) {
        // Vendor, product and serial (bytes 8 to 15) name the panel whatever port it is on; the
        // serial-number descriptor separates panels whose header serial is 0.
        for (std::size_t i = 8; i < 16; ++i) hash = fnv1a(hash, edid[i]);
        for (std::size_t d = 54; d + 18 <= 126; d += 18) {
            if (edid[d] == 0 && edid[d + 1] == 0 && edid[d + 3] == 0xFF)
                for (std::size_t i = d + 5; i < d + 18; ++i) hash = fnv1a(hash, edid[i]);
        }
    } else {
        for (char c : name) hash = fnv1a(hash, static_cast<std::uint8_t>(c));
    }
    return hash == 0 ? 1 : hash;
}

std::optional<std::string> edidModelName(const std::vector<std::uint8_t>& edid) {
    if (edid.size() < 128) return std::nullopt;
    for (std::size_t d = 54; d + 18 <= 126; d += 18) {
        if (edid[d] != 0 || edid[d + 1] != 0 || edid[d + 3] != 0xFC) continue;
        std::string text;
        for (std::size_t i = d + 5; i < d + 18; ++i) {
            if (edid[i] == '\n' || edid[i] == 0) break;
            text.push_back(static_cast<char>(edid[i]));
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        if (!text.empty()) return text;
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> edidFromHex(std::string_view hex) {
    if (hex.size() % 2 != 0 || hex.size() > 2 * 65536) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

}  // namespace vantrel::freedesktop
