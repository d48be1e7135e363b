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

// Judges `text` by RFC 8259: exactly one JSON value with nothing but whitespace around it (a NUL
// byte is not whitespace), strict UTF-8, numbers that fit a double (integers beyond 64 bits are read
// as doubles), and an optional UTF-8 byte order mark in front. The texts it accepts are the ones
// nlohmann::json reads back without error.
Verdict check(std::string_view text, int maxDepth);

// A text check() judged JSON, without its byte order mark: ready to stand inside other JSON text.
std::string_view valueText(std::string_view text);

bool isValidUtf8(std::string_view text);

// `text` without the UTF-8 sequence its end cuts short, when it ends in the first bytes of one.
std::string_view wholeCharacters(std::string_view text);

// Appends `text` as a JSON string, quotes included, as nlohmann::json::dump writes it with
// error_handler_t::replace: control characters escaped, valid UTF-8 kept as it is, invalid bytes
// replaced by U+FFFD.
void appendString(std::string& out, std::string_view text);

} // namespace corvane::relay::JsonSyntax
