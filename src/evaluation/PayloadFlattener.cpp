#include "evaluation/PayloadFlattener.h"

#include "evaluation/Template.h"

namespace corvane::PayloadFlattener {
namespace {

void appendEntry(
    std::string key, const std::string& path, const nlohmann::json& child, int depth, std::vector<Row>& rows)
{
    const bool isContainer = child.is_object() || child.is_array();
    auto displayValue = isContainer ? containerPreview(&child) : Template::stringify(&child);
    rows.push_back(Row{path, depth, std::move(key), path, std::move(displayValue), isContainer});
    if (isContainer) {
        flatten(&child, path, depth + 1, rows);
    }
}

} // namespace

void flatten(const nlohmann::json* value, std::string_view prefix, int depth, std::vector<Row>& rows)
{
    if (value == nullptr) {
        return;
    }
    if (value->is_object()) {
        // nlohmann keeps object members ordered by their UTF-8 bytes, which is code point order.
        for (const auto& [key, child] : value->items()) {
            const auto path = prefix.empty() ? key : std::string(prefix) + "." + key;
            appendEntry(key, path, child, depth, rows);
        }
    } else if (value->is_array()) {
        for (std::size_t index = 0; index < value->size(); ++index) {
            const auto number = std::to_string(index);
            appendEntry("[" + number + "]", std::string(prefix) + "." + number, (*value)[index], depth, rows);
        }
    }
}

std::string containerPreview(const nlohmann::json* value)
{
    if (value == nullptr) {
        return {};
    }
    if (value->is_object()) {
        return "{ " + std::to_string(value->size()) + " keys }";
    }
    if (value->is_array()) {
        return "[ " + std::to_string(value->size()) + " items ]";
    }
    return {};
}

} // namespace corvane::PayloadFlattener

std::size_t std::hash<corvane::PayloadFlattener::Row>::operator()(
    const corvane::PayloadFlattener::Row& row) const noexcept
{
    std::size_t seed = 0;
    const auto combine
        = [&seed](std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6U) + (seed >> 2U); };
    const std::hash<std::string> text;
    combine(text(row.id));
    combine(std::hash<int>{}(row.depth));
    combine(text(row.key));
    combine(text(row.path));
    combine(text(row.displayValue));
    combine(std::hash<bool>{}(row.isContainer));
    return seed;
}
