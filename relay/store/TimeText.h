#pragma once

#include "store/Milliseconds.h"

#include <cstddef>
#include <string>

namespace corvane::relay::TimeText {

// The length of an RFC 3339 time of years 0 to 9999 as written here.
inline constexpr std::size_t rfc3339Length = 24;

// RFC 3339 in UTC with milliseconds: 2025-01-31T09:15:00.250Z.
std::string rfc3339(Milliseconds time);
void appendRfc3339(std::string& text, Milliseconds time);

Milliseconds now();

} // namespace corvane::relay::TimeText
