#pragma once

#include <string>
#include <string_view>

// JSON text without a document model: checking that a body is JSON, and writing string values.
namespace corvane::relay::JsonSyntax {

enum class Verdict {
    // One JSON value, nested no deeper than asked.
    json,
    // One JSON value whose arrays and objects nest deeper than asked.
    tooDeep,
    notJson,
};

// Judges `text` exactly as nlohmann::json::accept does (the parser that later reads stored bodies):
// RFC 8259 with strict UTF-8 in strings, an optional UTF-8 byte order mark in front, numbers that
// overflow a double rejected, and a NUL byte after the value ending the text. One pass, no
// allocation below 16 levels of nesting.
Verdict check(std::string_view text, int maxDepth);

// Appends `text` as a JSON string, quotes included, as nlohmann::json::dump writes it with
// error_handler_t::replace: control characters escaped, valid UTF-8 kept as it is, invalid bytes
// replaced by U+FFFD.
void appendString(std::string& out, std::string_view text);

} // namespace corvane::relay::JsonSyntax
