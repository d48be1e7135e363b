#pragma once

#include "store/StoreResult.h"

#include <cstddef>
#include <cstdint>
#include <string>

// How both stores bring a database's schema up to date: numbered migrations, index i upgrading version
// i to version i + 1, each applied and recorded whole or not at all.
namespace corvane::relay::SchemaMigrations {

// Applies the migrations from `current` on, of the `known` ones, with `apply(index)`, which returns
// StoreResult<void>; the first failure ends it. A database newer than this relay is refused.
template <class Apply> StoreResult<void> applyFrom(std::int64_t current, std::size_t known, Apply&& apply)
{
    if (current > std::int64_t(known)) {
        return std::unexpected(StoreError{"the database has schema version " + std::to_string(current)
            + ", newer than this relay knows (" + std::to_string(known) + ")"});
    }
    for (auto index = static_cast<std::size_t>(current); index < known; ++index) {
        if (auto applied = apply(index); !applied) {
            return std::unexpected(StoreError{
                "migration to schema version " + std::to_string(index + 1) + " failed: " + applied.error().message});
        }
    }
    return {};
}

} // namespace corvane::relay::SchemaMigrations
