#pragma once

#include <cstdint>

namespace corvane::relay {

// Times are milliseconds since the Unix epoch, UTC.
using Milliseconds = std::int64_t;

} // namespace corvane::relay
