#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

// Listener filters: a path such as $.body.action that names one value in a payload context.
namespace corvane::JSONPathFilter {

// Whether a payload fires. An absent or blank filter always fires; otherwise the filter is trimmed of
// spaces and tabs, loses a leading "$." or "$", and is resolved like a template path. The payload
// fires when that value is present and not empty: true, a non-empty text or array, any number, any
// object. Never fails: a malformed filter simply reaches nothing.
bool matches(const std::optional<std::string>& filter, const nlohmann::json& context);

} // namespace corvane::JSONPathFilter
