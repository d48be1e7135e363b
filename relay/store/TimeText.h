#pragma once

#include "store/StoreRecords.h"

#include <string>

namespace corvane::relay::TimeText {

// RFC 3339 in UTC with milliseconds: 2025-01-31T09:15:00.250Z.
std::string rfc3339(Milliseconds time);

Milliseconds now();

} // namespace corvane::relay::TimeText
