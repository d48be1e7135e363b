#pragma once

#include "model/AnyCodable.h"
#include "model/DecodingError.h"
#include "model/NotificationConfig.h"
#include "model/VerificationOutcome.h"

#include <nlohmann/json.hpp>

#include <cstdint>
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
    // Set by a list that carried only the start of a large body: `rawBody` is that start, `body` is
    // absent, and `bodySize` is the whole body's size in bytes. The whole payload is read by its id.
    std::optional<bool> bodyTruncated;
    std::optional<std::int64_t> bodySize;
    std::string receivedAt;
    std::optional<std::string> deliveredAt;
    // Absent when the listener checks no signatures.
    std::optional<VerificationOutcome> verification;

    static std::expected<Payload, DecodingError> fromJson(const nlohmann::json& json);
    static std::expected<Payload, DecodingError> fromJson(nlohmann::json&& json);
    nlohmann::json toJson() const;

    bool isBodyCut() const { return bodyTruncated.value_or(false); }

    friend bool operator==(const Payload&, const Payload&) = default;
};

} // namespace corvane
