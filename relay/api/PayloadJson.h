#pragma once

#include "model/Payload.h"

#include <nlohmann/json.hpp>

#include <string_view>

namespace corvane::relay::PayloadJson {

bool isValidUtf8(std::string_view text);

// The payload as the API sends it. A raw body that is not valid UTF-8 is sent as "raw_body" with
// each invalid byte replaced by U+FFFD, and, byte for byte, as standard base64 in "raw_body_base64".
nlohmann::json encode(const Payload& payload);

} // namespace corvane::relay::PayloadJson
