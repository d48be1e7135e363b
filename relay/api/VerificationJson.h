#pragma once

#include "http/HttpResponse.h"
#include "verification/VerificationSettings.h"

#include <nlohmann/json.hpp>

#include <expected>
#include <optional>

// The `verification` member of listeners: read from create and update bodies, written into answers.
namespace corvane::relay::VerificationJson {

// The settings a `verification` member sends, nothing for null; its secret is empty when it sends
// none. A member that is not valid is the 400 to answer.
std::expected<std::optional<VerificationSettings>, HttpResponse> settings(const nlohmann::json& member);

// The member as answered: the settings without the secret, which is only said to be set.
nlohmann::json answer(const VerificationSettings& settings);

} // namespace corvane::relay::VerificationJson
