#pragma once

#include "model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <expected>
#include <optional>
#include <string>

namespace corvane {

// How the relay checks the signature of the requests a listener captures. The secret itself is never
// answered: `secretSet` only says whether one is stored. `header`, `algorithm`, `encoding` and `prefix`
// come with the "hmac" scheme only.
struct ListenerVerification {
    std::string scheme; // "github", "stripe", "standard", "slack" or "hmac"
    std::string mode; // "reject" or "mark"
    bool secretSet = false;
    std::optional<std::string> header;
    std::optional<std::string> algorithm; // "sha256" or "sha1"
    std::optional<std::string> encoding; // "hex" or "base64"
    std::optional<std::string> prefix;

    static std::expected<ListenerVerification, DecodingError> fromJson(const nlohmann::json& json);
    static std::expected<ListenerVerification, DecodingError> fromJson(nlohmann::json&& json);
    nlohmann::json toJson() const;

    friend bool operator==(const ListenerVerification&, const ListenerVerification&) = default;
};

} // namespace corvane
