#pragma once

#include "store/Milliseconds.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvane::relay {

enum class BodyKind { none = 0, json = 1, form = 2 };

// How the signature of a request to a listener with verification settings turned out.
struct PayloadVerification {
    bool verified = false;
    // Why it failed; empty when verified.
    std::string reason;

    friend bool operator==(const PayloadVerification&, const PayloadVerification&) = default;
};

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
    // Absent when the listener verifies nothing.
    std::optional<PayloadVerification> verification;
    // The webhook-id of a request verified under the standard scheme: a second one with the same id
    // within the tolerance is a retry and is not stored.
    std::optional<std::string> webhookId;
};

} // namespace corvane::relay
