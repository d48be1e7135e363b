#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Turns a nested JSON value into the indented rows of a payload tree, each with the dot path that
// templates and filters understand.
namespace corvane::PayloadFlattener {

struct Row {
    std::string id; // always equal to path
    int depth;
    std::string key; // the object key, or "[3]" for an array element
    std::string path; // usable unchanged inside a {{ }} token
    std::string displayValue;
    bool isContainer;

    friend bool operator==(const Row&, const Row&) = default;
};

// Appends one row per object entry and array element of `value`, in pre-order: a container's row
// comes right before the rows of its contents. Object keys are listed in code point order. The
// entries of `value` itself get `depth`, their children one more.
void flatten(const nlohmann::json* value, std::string_view prefix, int depth, std::vector<Row>& rows);

// "{ 3 keys }" for an object, "[ 2 items ]" for an array, empty text for anything else.
std::string containerPreview(const nlohmann::json* value);

} // namespace corvane::PayloadFlattener

template <> struct std::hash<corvane::PayloadFlattener::Row> {
    std::size_t operator()(const corvane::PayloadFlattener::Row& row) const noexcept;
};
