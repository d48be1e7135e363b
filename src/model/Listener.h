#pragma once

#include "model/DecodingError.h"
#include "model/ListenerVerification.h"
#include "model/NotificationConfig.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <expected>
#include <optional>
#include <string>

namespace corvane {

// One public hook endpoint on the relay service and its notification set-up; identified by `id`.
struct Listener {
    std::string id;
    std::string listenerToken;
    std::string name;
    std::optional<std::string> description;
    bool isEnabled = false;
    NotificationConfig notificationConfig;
    std::string createdAt;
    std::string updatedAt;
    std::optional<std::int64_t> undeliveredCount;
    std::optional<std::int64_t> totalReceived;
    // Path of the public hook; the hook URL is the service base URL followed directly by this.
    std::string hookPath;
    // Absent when the relay checks no signatures for this listener.
    std::optional<ListenerVerification> verification;

    static std::expected<Listener, DecodingError> fromJson(const nlohmann::json& json);
    static std::expected<Listener, DecodingError> fromJson(nlohmann::json&& json);
    nlohmann::json toJson() const;

    friend bool operator==(const Listener&, const Listener&) = default;
};

} // namespace corvane
