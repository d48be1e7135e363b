#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace corvane::relay {

struct TemplateSuggestion {
    std::string title;
    std::string body;
    std::optional<std::string> filter;

    nlohmann::json toJson() const;
};

// Suggests notification templates for a sample payload context ("method", "listener_name",
// "headers", "query", "body", "raw_body"). Deterministic: the same sample always gives the same
// suggestion. Every {{path}} it suggests reaches a value that renders as non-empty text over the
// sample; the filter, when there is one, names the member that tells events apart.
class TemplateSuggester {
public:
    static TemplateSuggestion suggest(const nlohmann::json& sample);
};

} // namespace corvane::relay
