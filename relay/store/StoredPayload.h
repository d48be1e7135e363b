#pragma once

#include "store/Capture.h"
#include "store/Milliseconds.h"

#include <cstddef>
#include <optional>
#include <string>

namespace corvane::relay {

// One captured request as the store keeps it, with the listener that received it. The JSON members
// are the texts they were stored as, never parsed again.
struct StoredPayload {
    std::string id;
    std::string listenerId;
    std::string listenerName;
    std::string listenerToken;
    // JSON object text.
    std::string notificationConfig;
    std::string method;
    // JSON object text.
    std::string headers;
    // JSON object text, or nothing when the request had no query.
    std::optional<std::string> query;
    BodyKind bodyKind = BodyKind::none;
    // JSON object text of the fields, for a form body.
    std::optional<std::string> formBody;
    // The body bytes exactly as received; the JSON text itself when bodyKind is json. Only its first
    // bytes when bodySize is set.
    std::string rawBody;
    // The whole body's size in bytes, set when rawBody holds only its first bytes; such a payload has
    // no formBody.
    std::optional<std::size_t> bodySize;
    Milliseconds receivedAt = 0;
    std::optional<Milliseconds> deliveredAt;
    std::optional<PayloadVerification> verification;
};

} // namespace corvane::relay
