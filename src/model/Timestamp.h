#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace corvane::Timestamp {

// The one parser for the service's timestamps: an RFC 3339 date-time that has a fractional second and
// a zone designator, such as 2025-01-31T09:15:00.250Z or 2025-01-31T10:15:00.25+01:00. Anything else,
// a timestamp without a fraction included, gives nothing. Fractions finer than a nanosecond are cut.
std::optional<std::chrono::system_clock::time_point> lenient(std::string_view text);

} // namespace corvane::Timestamp
