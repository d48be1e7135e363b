#pragma once

#include "model/AnyCodable.h"
#include "model/DecodingError.h"
#include "model/NotificationConfig.h"
#include "model/VerificationOutcome.h"

#include <nlohmann/json.hpp>

#include <expected>
#include <map>
#include <optional>
#include <string>

namespace corvane {

// One HTTP request captured by the relay service at a listener's hook; identified by `id`.
struct Payload {
    std::string id;
    std::optional<std::string> listenerId;
    std::optional<std::string> listenerName;
    std::optional<std::string> listenerToken;
    std::optional<NotificationConfig> notificationConfig;
    std::string method;
    std::optional<std::map<std::string, AnyCodable>> headers;
    std::optional<std::map<std::string, AnyCodable>> query;
    // A JSON null body is no body at all; nulls inside headers, query and the body are kept.
    std::optional<AnyCodable> body;
    std::optional<std::string> rawBody;
    std::string receivedAt;
    std::optional<std::string> deliveredAt;
    // Absent when the listener checks no signatures.
    std::optional<VerificationOutcome> verification;

    static std::expected<Payload, DecodingError> fromJson(const nlohmann::json& json);
    static std::expected<Payload, DecodingError> fromJson(nlohmann::json&& json);
    nlohmann::json toJson() const;

    friend bool operator==(const Payload&, const Payload&) = default;
};

} // namespace corvane
