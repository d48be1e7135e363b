#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Turns a nested JSON value into the indented rows of a payload tree, each with the dot path that
// templates and filters understand.
namespace corvane::PayloadFlattener {

// A display value longer than this many bytes is cut at a character boundary and ends in "…".
inline constexpr std::size_t displayLimit = 1024;

struct Row {
    std::string id; // always equal to path
    int depth;
    std::string key; // the object key, or "[3]" for an array element
    std::string path; // usable unchanged inside a {{ }} token
    std::string displayValue;
    bool isContainer;

    friend bool operator==(const Row&, const Row&) = default;
};

// Walks values in the order flatten() lists their rows, a number of rows at a time, so that a view
// adds rows as they are scrolled to instead of all at once. The values walked must outlive the cursor
// unchanged.
class Cursor {
public:
    // The rows flatten() gives for the same arguments.
    Cursor(const nlohmann::json* value, std::string_view prefix, int depth);

    // Appends up to `count` rows to `rows` and, when given, the value each row shows to `values`.
    void next(std::size_t count, std::vector<Row>& rows, std::vector<const nlohmann::json*>* values = nullptr);
    bool atEnd() const { return m_frames.empty(); }

private:
    struct Frame {
        const nlohmann::json* container;
        nlohmann::json::const_iterator position;
        std::size_t index;
        std::string prefix;
        int depth;
    };

    void append(std::string key, std::string path, const nlohmann::json& value, int depth, std::vector<Row>& rows,
        std::vector<const nlohmann::json*>* values);
    void enter(const nlohmann::json& value, std::string prefix, int depth);

    std::vector<Frame> m_frames;
};

// Appends one row per object entry and array element of `value`, in pre-order: a container's row
// comes right before the rows of its contents. Object keys are listed in code point order. The
// entries of `value` itself get `depth`, their children one more.
void flatten(const nlohmann::json* value, std::string_view prefix, int depth, std::vector<Row>& rows);

// "{ 3 keys }" for an object, "[ 2 items ]" for an array, empty text for anything else.
std::string containerPreview(const nlohmann::json* value);

// The value as one row shows it: a container's preview, a scalar's text cut to displayLimit.
std::string displayValue(const nlohmann::json& value);

} // namespace corvane::PayloadFlattener

template <> struct std::hash<corvane::PayloadFlattener::Row> {
    std::size_t operator()(const corvane::PayloadFlattener::Row& row) const noexcept;
};
