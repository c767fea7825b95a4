// UUIDs: identity of layouts; written upper-case, read in either case.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

class Uuid {
  public:
    Uuid() = default;  // the nil UUID
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

    // A fresh random (version 4) UUID.
    static Uuid random();
    // Parses the canonical 36-character hyphenated form, hex digits in either case.
    static std::optional<Uuid> parse(std::string_view text);

    // The canonical form in upper-case hexadecimal.
    std::string toString() const;
    const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }
    bool isNil() const;

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

  private:
    std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace vantrel

template <>
struct std::hash<vantrel::Uuid> {
    std::size_t operator()(const vantrel::Uuid& uuid) const noexcept;
};
