#pragma once

#include "model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <expected>
#include <optional>
#include <string>

namespace corvane {

// How a listener turns a payload into a notification: title and body templates, the filter that
// decides whether a payload fires, the sound, and the template of a link a click on it opens.
struct NotificationConfig {
    std::optional<std::string> title;
    std::optional<std::string> body;
    std::optional<std::string> filter;
    std::optional<std::string> sound;
    std::optional<std::string> link;

    static std::expected<NotificationConfig, DecodingError> fromJson(const nlohmann::json& json);
    static std::expected<NotificationConfig, DecodingError> fromJson(nlohmann::json&& json);
    nlohmann::json toJson() const;

    friend bool operator==(const NotificationConfig&, const NotificationConfig&) = default;
};

} // namespace corvane
