#pragma once

#include "model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <expected>
#include <string>
#include <string_view>

namespace corvane {

// Arrays and objects nested deeper than this are not kept: parsing and normalising replace the
// too-deep value with null. Everything that walks a decoded value recursively relies on this bound.
inline constexpr int maximumJsonDepth = 512;

// Parses JSON text. Numbers written as integers that fit a signed 64-bit integer stay integers, all
// other numbers become doubles (a parsed value never holds an unsigned integer); values nested deeper
// than maximumJsonDepth become null. Fails on text that is not JSON, with the parser's description.
std::expected<nlohmann::json, DecodingError> parseJson(std::string_view text);

// A copy of `value` with the same guarantees as parseJson: no unsigned integers (those above the
// signed 64-bit range become doubles), no binary or discarded values (they become null), and no
// nesting deeper than maximumJsonDepth.
nlohmann::json normalizedJson(const nlohmann::json& value);

// Makes `value` what normalizedJson would return for it, in place.
void normalizeJson(nlohmann::json& value);

// The text of a scalar or container as users see it: strings without quotes, integers in decimal,
// doubles with an integral value as integers, other doubles in the shortest decimal text (with ".", no
// exponent) that reads back as the same double, booleans as true/false, null as "null", containers as compact JSON (see
// compactJson).
std::string displayText(const nlohmann::json& value);

// Compact JSON (no spaces or line breaks) with every "/" in strings written as "\/". Bytes that are
// not valid UTF-8 are written as U+FFFD.
std::string compactJson(const nlohmann::json& value);

} // namespace corvane
