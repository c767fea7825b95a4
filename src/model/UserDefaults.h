// The user-defaults seam: Boolean, object and byte-string values under text keys.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantrel {

using Bytes = std::vector<std::uint8_t>;

// What a key holds. Stores written by hand or by other versions can hold any of these, so
// readers must cope with a text where they expect a Boolean.
using DefaultsValue = std::variant<std::monostate, bool, std::int64_t, double, std::string, Bytes>;

class UserDefaults {
  public:
    virtual ~UserDefaults() = default;

    // The stored value, or monostate when the key is absent.
    virtual DefaultsValue object(std::string_view key) const = 0;
    virtual void setBool(std::string_view key, bool value) = 0;
    virtual void setData(std::string_view key, const Bytes& value) = 0;
    virtual void remove(std::string_view key) = 0;

    // Only a stored Boolean true reads as true; absent keys and other types read as false.
    bool boolForKey(std::string_view key) const {
        const auto value = object(key);
        const bool* flag = std::get_if<bool>(&value);
        return flag != nullptr && *flag;
    }
    // The byte string under the key; absent when the key holds anything else.
    std::optional<Bytes> dataForKey(std::string_view key) const {
        auto value = object(key);
        if (auto* bytes = std::get_if<Bytes>(&value)) return std::move(*bytes);
        return std::nullopt;
    }
};

// Defaults kept in memory: tests and headless runs.
class InMemoryUserDefaults final : public UserDefaults {
  public:
    DefaultsValue object(std::string_view key) const override {
        const auto it = values_.find(key);
        return it == values_.end() ? DefaultsValue{} : it->second;
    }
    void setBool(std::string_view key, bool value) override { set(key, value); }
    void setData(std::string_view key, const Bytes& value) override { set(key, value); }
    void remove(std::string_view key) override {
        if (const auto it = values_.find(key); it != values_.end()) values_.erase(it);
    }

    // Any value, as another writer of the store might have left it.
    void set(std::string_view key, DefaultsValue value) {
        if (std::holds_alternative<std::monostate>(value)) return remove(key);
        values_.insert_or_assign(std::string(key), std::move(value));
    }

  private:
    std::map<std::string, DefaultsValue, std::less<>> values_;
};

}  // namespace vantrel
