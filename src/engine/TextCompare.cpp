// Canonical text equality through ICU's NFC normalizer.
#include "engine/TextCompare.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <limits>
#include <optional>
#include <vector>

namespace vantrel {
namespace {

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The NFC form in UTF-16; none when the text is not valid UTF-8 or ICU fails.
std::optional<std::vector<UChar>> nfc(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 4))
        return std::nullopt;
    const auto length = static_cast<std::int32_t>(text.size());
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> utf16(text.size() + 1);
    std::int32_t utf16Length = 0;
    u_strFromUTF8(utf16.data(), static_cast<std::int32_t>(utf16.size()), &utf16Length, text.data(),
                  length, &status);
    if (U_FAILURE(status)) return std::nullopt;

    const UNormalizer2* normalizer = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return std::nullopt;
    std::vector<UChar> normalized(static_cast<std::size_t>(utf16Length) + 1);
    std::int32_t normalizedLength =
        unorm2_normalize(normalizer, utf16.data(), utf16Length, normalized.data(),
                         static_cast<std::int32_t>(normalized.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        // A few characters grow under normalization; ICU tells how much room it needs.
        status = U_ZERO_ERROR;
        normalized.resize(static_cast<std::size_t>(normalizedLength) + 1);
        normalizedLength =
            unorm2_normalize(normalizer, utf16.data(), utf16Length, normalized.data(),
                             static_cast<std::int32_t>(normalized.size()), &status);
    }
    if (U_FAILURE(status)) return std::nullopt;
    normalized.resize(static_cast<std::size_t>(normalizedLength));
    return normalized;
}

}  // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) return true;
    // Plain ASCII texts have one form only.
    if (isAscii(a) && isAscii(b)) return false;
    const auto na = nfc(a);
    const auto nb = nfc(b);
    return na && nb && *na == *nb;
}

}  // namespace vantrel
