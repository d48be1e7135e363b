#pragma once

#include "suggest/SenderTable.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace corvane::relay {

struct TemplateSuggestion {
    std::string title;
    std::string body;
    std::optional<std::string> filter;
    // A template that renders to the web page of what happened.
    std::optional<std::string> link;
    // The sender and event recognised in the sample, as the sender table names them.
    std::optional<std::string> sender;
    std::optional<std::string> event;
    // What made the suggestion: "rules" (the sender table or the generic rules) or "model".
    std::string source = "rules";

    nlohmann::json toJson() const;
};

// Suggests notification templates for a sample payload context ("method", "listener_name",
// "headers", "query", "body", "raw_body"). Deterministic: the same sample always gives the same
// suggestion. A sample of a sender the table knows gets that event's first candidates that render;
// others get generic rules. Every {{path}} it suggests reaches a value that renders as non-empty text
// over the sample, and the filter, when there is one, reaches a member of it.
class TemplateSuggester {
public:
    explicit TemplateSuggester(SenderTable table);

    TemplateSuggestion suggest(const nlohmann::json& sample) const;

private:
    // From the shape of the sample alone: its event member as title and filter, its message as body.
    static TemplateSuggestion generic(const nlohmann::json& sample);

    SenderTable m_table;
};

} // namespace corvane::relay
