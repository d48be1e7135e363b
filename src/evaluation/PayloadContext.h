#pragma once

#include "model/Payload.h"

#include <nlohmann/json.hpp>

namespace corvane {

// The object that templates and filters read for one payload: "method", "listener_name" and
// "raw_body" always (empty text when the payload has no name or raw body), "headers", "query" and
// "body" only when the payload carries them, each as the plain JSON inside its value, and "verified"
// (true or false) only when the relay checked the payload's signature.
nlohmann::json payloadContext(const Payload& payload);

} // namespace corvane
