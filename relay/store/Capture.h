#pragma once

#include "store/Milliseconds.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvane::relay {

enum class BodyKind { none = 0, json = 1, form = 2 };

// One captured request, ready to be stored.
struct Capture {
    std::string id;
    std::string listenerId;
    std::string accountId;
    std::string method;
    // JSON object text: lower-case names to values.
    std::string headers;
    // JSON object text, or nothing when the request had no query.
    std::optional<std::string> query;
    BodyKind bodyKind = BodyKind::none;
    // JSON object text of the fields, for a form body.
    std::optional<std::string> formBody;
    // The body bytes exactly as received; empty when the body was written in parts beforehand.
    std::string rawBody;
    // How many parts the body was written in (Store::insertBodyPart), 0 when it is rawBody.
    std::int64_t bodyParts = 0;
    Milliseconds receivedAt = 0;
    // False when the listener was disabled: such a payload is never offered by polling.
    bool offered = true;
};

} // namespace corvane::relay
