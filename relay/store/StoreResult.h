#pragma once

#include <expected>
#include <string>

namespace corvane::relay {

// Why the database could not do what was asked.
struct StoreError {
    std::string message;
};

template <class T> using StoreResult = std::expected<T, StoreError>;

} // namespace corvane::relay
