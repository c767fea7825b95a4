// Fuzzes the layout-file decoder: no input may crash it, every failure carries a message, and
// whatever decodes must survive an encode and a second decode unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "model/LayoutJson.h"

namespace {

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "layout-file fuzz fault: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto decoded = vantrel::decodeLayoutFile(text);
    if (!decoded) {
        if (decoded.error().message.empty()) fault("failure without a message");
        return 0;
    }
    const auto encoded = vantrel::encodeLayoutFile(*decoded);
    if (!encoded) fault("decoded layouts do not encode");
    const auto again = vantrel::decodeLayoutFile(*encoded);
    if (!again) fault("encoded layouts do not decode");
    if (*again != *decoded) fault("layouts changed in an encode and decode");
    const auto encodedAgain = vantrel::encodeLayoutFile(*again);
    if (!encodedAgain || *encodedAgain != *encoded) fault("encoding is not stable");
    return 0;
}
