#pragma once

#include "store/StoredPayload.h"

#include <string>

namespace corvane::relay::PayloadJson {

// Appends the payload as the API sends it. Its JSON members (a JSON body included) are written as the
// texts they were stored as. A raw body that is not valid UTF-8 is sent as "raw_body" with each
// invalid byte replaced by U+FFFD, and, byte for byte, as standard base64 in "raw_body_base64". A
// payload whose body was read cut (StoredPayload::bodySize) has no "body" and no "raw_body_base64":
// "raw_body" holds the whole characters of the bytes read, then "body_truncated": true and
// "body_size": the whole body's size in bytes. A
// payload of a listener that verifies signatures has "verification": {"status": "verified"}, or
// {"status": "failed", "reason": …}.
void append(std::string& out, const StoredPayload& payload);

} // namespace corvane::relay::PayloadJson
