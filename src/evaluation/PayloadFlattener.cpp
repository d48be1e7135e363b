#include "evaluation/PayloadFlattener.h"

#include "evaluation/Template.h"
#include "evaluation/UnicodeText.h"

#include <limits>

namespace corvane::PayloadFlattener {

Cursor::Cursor(const nlohmann::json* value, std::string_view prefix, int depth)
{
    if (value != nullptr) {
        enter(*value, std::string(prefix), depth);
    }
}

void Cursor::enter(const nlohmann::json& value, std::string prefix, int depth)
{
    if (value.is_structured()) {
        m_frames.push_back(Frame{&value, value.cbegin(), 0, std::move(prefix), depth});
    }
}

void Cursor::append(std::string key, std::string path, const nlohmann::json& value, int depth, std::vector<Row>& rows,
    std::vector<const nlohmann::json*>* values)
{
    rows.push_back(Row{path, depth, std::move(key), path, displayValue(value), value.is_structured()});
    if (values != nullptr) {
        values->push_back(&value);
    }
    enter(value, std::move(path), depth + 1);
}

void Cursor::next(std::size_t count, std::vector<Row>& rows, std::vector<const nlohmann::json*>* values)
{
    for (std::size_t added = 0; added < count;) {
        if (m_frames.empty()) {
            return;
        }
        Frame& frame = m_frames.back();
        if (frame.position == frame.container->cend()) {
            m_frames.pop_back();
            continue;
        }
        const nlohmann::json& child = *frame.position;
        std::string key;
        std::string path;
        // nlohmann keeps object members ordered by their UTF-8 bytes, which is code point order.
        if (frame.container->is_object()) {
            key = frame.position.key();
            path = frame.prefix.empty() ? key : frame.prefix + "." + key;
        } else {
            const auto number = std::to_string(frame.index);
            key = "[" + number + "]";
            path = frame.prefix + "." + number;
        }
        const int depth = frame.depth;
        ++frame.position;
        ++frame.index;
        // May add a frame, which moves `frame`.
        append(std::move(key), std::move(path), child, depth, rows, values);
        ++added;
    }
}

void flatten(const nlohmann::json* value, std::string_view prefix, int depth, std::vector<Row>& rows)
{
    Cursor(value, prefix, depth).next(std::numeric_limits<std::size_t>::max(), rows);
}

std::string displayValue(const nlohmann::json& value)
{
    if (value.is_structured()) {
        return containerPreview(&value);
    }
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        if (text.size() > displayLimit) {
            return text.substr(0, UnicodeText::prefixLength(text, displayLimit)) + "…";
        }
    }
    return Template::stringify(&value);
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
