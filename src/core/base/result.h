// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <utility>
#include <variant>

#include "base/error.h"

// The value of an operation that may fail, or the Error that says why it did.
template <typename T> class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    // The value, or `fallback` when !ok().
    T value_or(T fallback) const& { return ok() ? value() : std::move(fallback); }
    T value_or(T fallback) && { return ok() ? std::move(*this).value() : std::move(fallback); }

    // Why it failed; only when !ok().
    const Error& error() const { return std::get<1>(state_); }

  private:
    std::variant<T, Error> state_;
};

// Success with nothing to give, or the Error that says why not.
template <> class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }

    // Why it failed; only when !ok().
    const Error& error() const { return *error_; }

  private:
    std::optional<Error> error_;
};
