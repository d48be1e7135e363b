#pragma once

#include "store/StoredPayload.h"

#include <cstdint>
#include <vector>

namespace corvane::relay {

// Undelivered payloads that polling may offer, oldest first, and how many there are in all.
struct PendingPage {
    std::vector<StoredPayload> payloads;
    std::int64_t count = 0;
};

} // namespace corvane::relay
