#pragma once

#include "store/Milliseconds.h"

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

// A request a listener received, as it is stored and read back.
struct CapturedRequest {
    std::string id;
    std::string listenerId;
    std::string method;
    // JSON object text: lower-case names to values.
    std::string headers;
    // JSON object text, or nothing when the request had no query.
    std::optional<std::string> query;
    BodyKind bodyKind = BodyKind::none;
    // JSON object text of the fields, for a form body.
    std::optional<std::string> formBody;
    // The body bytes exactly as received; the JSON text itself when bodyKind is json.
    std::string rawBody;
    Milliseconds receivedAt = 0;
    // Absent when the listener verifies nothing.
    std::optional<PayloadVerification> verification;
};

} // namespace corvane::relay
