#pragma once

#include "store/CapturedRequest.h"
#include "store/Milliseconds.h"

#include <cstddef>
#include <optional>
#include <string>

namespace corvane::relay {

// One captured request as the store keeps it, with the listener that received it. The JSON members
// are the texts they were stored as, never parsed again. rawBody holds only the body's first bytes
// when bodySize is set.
struct StoredPayload : CapturedRequest {
    std::string listenerName;
    std::string listenerToken;
    // JSON object text.
    std::string notificationConfig;
    // The whole body's size in bytes, set when rawBody holds only its first bytes; such a payload has
    // no formBody.
    std::optional<std::size_t> bodySize;
    std::optional<Milliseconds> deliveredAt;
};

} // namespace corvane::relay
