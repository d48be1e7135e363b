#pragma once

#include "store/CapturedRequest.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvane::relay {

// One captured request, ready to be stored. Its rawBody is empty when the body was written in parts
// beforehand.
struct Capture : CapturedRequest {
    std::string accountId;
    // How many parts the body was written in (Store::insertBodyPart), 0 when it is rawBody.
    std::int64_t bodyParts = 0;
    // False when the listener was disabled: such a payload is never offered by polling.
    bool offered = true;
    // The webhook-id of a request verified under the standard scheme: a second one with the same id
    // within the tolerance is a retry and is not stored.
    std::optional<std::string> webhookId;
};

} // namespace corvane::relay
