#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace corvane {

// One JSON value of any kind, as captured in a request's headers, query and body. Nested values are
// plain JSON; the value never holds an unsigned integer, a binary value, or nesting deeper than
// maximumJsonDepth when it was made by fromJson.
struct AnyCodable {
    nlohmann::json value;

    // Never fails: integers in the signed 64-bit range stay integers, other numbers become doubles,
    // and anything JSON has no kind for becomes null.
    static AnyCodable fromJson(const nlohmann::json& json);
    static AnyCodable fromJson(nlohmann::json&& json);
    nlohmann::json toJson() const;

    // The rendering that equality compares: strings as their characters, integers in decimal,
    // booleans as true/false, integral doubles as integers, null as "null", containers as compact JSON.
    std::string text() const;

    // Values are equal when their renderings are: the integer 1 equals the string "1".
    friend bool operator==(const AnyCodable& left, const AnyCodable& right);
};

} // namespace corvane
