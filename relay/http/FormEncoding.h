#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::relay::FormEncoding {

// "%41+b" → "A b" (application/x-www-form-urlencoded); a "%" not followed by two hex digits is kept.
std::string decode(std::string_view text);

// The fields of a query string or form body as a JSON object: a key given once maps to its value as
// a string, a key given more often to an array of its values in order. A field without "=" has the
// empty value.
nlohmann::json fields(std::string_view text);

// The fields as fields() reads them, or nothing when there are more than `maxFields`: counting them
// costs no more than a search for "&".
std::optional<nlohmann::json> fields(std::string_view text, std::size_t maxFields);

} // namespace corvane::relay::FormEncoding
