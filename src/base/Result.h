// A value or the reason there is none: how fallible operations report failure.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace vantrel {

struct Error {
    std::string message;
};

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : data_(std::move(value)) {}      // NOLINT: implicit by design
    Result(Error error) : data_(std::move(error)) {}  // NOLINT: implicit by design

    bool ok() const { return std::holds_alternative<T>(data_); }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<T>(data_); }
    const T& value() const& { return std::get<T>(data_); }
    T&& value() && { return std::get<T>(std::move(data_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<Error>(data_); }

  private:
    std::variant<T, Error> data_;
};

// For operations that return nothing on success.
struct Ok {};
using Status = Result<Ok>;

}  // namespace vantrel
