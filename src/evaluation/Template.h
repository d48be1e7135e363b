#pragma once

#include <nlohmann/json.hpp>

#include <span>
#include <string>
#include <string_view>

// Templates with {{ path }} tokens over a payload context. A null pointer is the absent value: the
// result of a path that reaches nothing.
namespace corvane::Template {

// Replaces each {{ path }} token with the text of the value the path reaches in `context`, empty text
// when it reaches nothing. Tokens do not nest, an unterminated "{{" and everything after it stay as
// they are, and there is no escape syntax. Braces count only as user-perceived characters of their own.
std::string render(std::string_view templateText, const nlohmann::json& context);

// Follows a dot path from `start`: empty segments are skipped, object keys match exactly, and a
// base-10 integer segment indexes an array from 0. Returns a pointer into `start`'s tree.
const nlohmann::json* resolve(std::string_view path, const nlohmann::json* start);

// The text of a value: empty for absent and null, otherwise as displayText renders it (strings
// unquoted, integral doubles as integers, containers as compact JSON with "/" written as "\/").
std::string stringify(const nlohmann::json* value);

// `existing` with the token {{path}} added, as a click on a payload value adds it: the token replaces a
// template that is blank (spaces and tabs) or, ignoring blanks, one of `placeholders` (text the user did
// not write), and otherwise follows it after one space.
std::string combine(std::string_view existing, std::string_view path, std::span<const std::string_view> placeholders);

} // namespace corvane::Template
