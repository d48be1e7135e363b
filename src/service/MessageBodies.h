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

// The signature check a create or an update sets. The secret is write-only: it goes with the request
// only when the user typed one, and an update under the same scheme that leaves it out keeps the one
// the relay has. `header`, `algorithm`, `encoding` and `prefix` go with the "hmac" scheme only.
struct VerificationSettings {
    std::string scheme;
    std::string mode;
    std::optional<std::string> secret;
    std::optional<std::string> header;
    std::optional<std::string> algorithm;
    std::optional<std::string> encoding;
    std::optional<std::string> prefix;

    nlohmann::json toJson() const;

    friend bool operator==(const VerificationSettings&, const VerificationSettings&) = default;
};

// What an update does to the signature check: absent leaves it as it is, an empty value removes it
// (sent as null), settings replace it.
using VerificationUpdate = std::optional<std::optional<VerificationSettings>>;

struct CreateListenerBody {
    std::string name;
    std::optional<std::string> description;
    std::optional<NotificationConfig> notificationConfig;
    std::optional<bool> isEnabled;
    std::optional<VerificationSettings> verification;

    nlohmann::json toJson() const;
};

struct UpdateListenerBody {
    std::optional<std::string> name;
    std::optional<std::string> description;
    std::optional<NotificationConfig> notificationConfig;
    std::optional<bool> isEnabled;
    VerificationUpdate verification;

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
    std::optional<std::string> link;

    static std::expected<TemplateSuggestion, DecodingError> fromJson(nlohmann::json&& json);
    friend bool operator==(const TemplateSuggestion&, const TemplateSuggestion&) = default;
};

} // namespace corvane
