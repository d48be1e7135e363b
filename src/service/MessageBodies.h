#pragma once

#include "model/Account.h"
#include "model/DecodingError.h"
#include "model/NotificationConfig.h"

#include <nlohmann/json.hpp>

#include <expected>
#include <optional>
#include <string>

// The bodies the app sends to the relay service and the envelopes it gets back that are not plain
// records. Absent optional members are left out of what is sent, never written as null.
namespace corvane {

struct CreateListenerBody {
    std::string name;
    std::optional<std::string> description;
    std::optional<NotificationConfig> notificationConfig;
    std::optional<bool> isEnabled;

    nlohmann::json toJson() const;
};

struct UpdateListenerBody {
    std::optional<std::string> name;
    std::optional<std::string> description;
    std::optional<NotificationConfig> notificationConfig;
    std::optional<bool> isEnabled;

    nlohmann::json toJson() const;
};

// The sign-in exchange.
struct ExchangeBody {
    std::string code;
    std::optional<std::string> codeVerifier;

    nlohmann::json toJson() const;
};

struct ExchangeResponse {
    std::string apiKey;
    Account account;

    static std::expected<ExchangeResponse, DecodingError> fromJson(nlohmann::json&& json);
    friend bool operator==(const ExchangeResponse&, const ExchangeResponse&) = default;
};

struct TemplateSuggestion {
    std::string title;
    std::string body;
    std::optional<std::string> filter;

    static std::expected<TemplateSuggestion, DecodingError> fromJson(nlohmann::json&& json);
    friend bool operator==(const TemplateSuggestion&, const TemplateSuggestion&) = default;
};

} // namespace corvane
