#include "evaluation/Template.h"

#include "evaluation/UnicodeText.h"
#include "model/JsonText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

namespace corvane::Template {
namespace {

constexpr std::string_view tokenOpening = "{{";
constexpr std::string_view tokenClosing = "}}";

// Whether `pair` (two ASCII characters) starts at `offset` as two user-perceived characters.
bool pairAt(std::string_view text, std::size_t offset, std::string_view pair)
{
    return text.substr(offset, pair.size()) == pair && UnicodeText::standsAlone(text, offset)
        && UnicodeText::standsAlone(text, offset + 1);
}

// The offset of the first "}}" at or after `from`, or npos.
std::size_t findClosing(std::string_view text, std::size_t from)
{
    for (std::size_t found = text.find(tokenClosing, from); found != std::string_view::npos;
        found = text.find(tokenClosing, found + 1)) {
        if (pairAt(text, found, tokenClosing)) {
            return found;
        }
    }
    return std::string_view::npos;
}

// An optional "+" or "-" and one or more ASCII digits, within the signed 64-bit range.
std::optional<std::int64_t> parseIndex(std::string_view segment)
{
    std::string_view digits = segment;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view number = segment.front() == '+' ? digits : segment;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || end != number.data() + number.size()) {
        return std::nullopt;
    }
    return value;
}

const nlohmann::json* step(const nlohmann::json* current, std::string_view segment)
{
    if (current == nullptr) {
        return nullptr;
    }
    if (current->is_object()) {
        const auto entry = current->find(segment);
        return entry == current->end() ? nullptr : &*entry;
    }
    const auto index = parseIndex(segment);
    if (!index || !current->is_array() || *index < 0 || static_cast<std::uint64_t>(*index) >= current->size()) {
        return nullptr;
    }
    return &(*current)[static_cast<std::size_t>(*index)];
}

} // namespace

std::string render(std::string_view templateText, const nlohmann::json& context)
{
    std::string output;
    output.reserve(templateText.size());
    std::size_t position = 0;
    while (position < templateText.size()) {
        if (pairAt(templateText, position, tokenOpening)) {
            const std::size_t innerStart = position + tokenOpening.size();
            const std::size_t closing = findClosing(templateText, innerStart);
            if (closing == std::string_view::npos) {
                // No token can close after this point either: the rest is literal text.
                output += templateText.substr(position);
                break;
            }
            const auto inner = templateText.substr(innerStart, closing - innerStart);
            output += stringify(resolve(UnicodeText::trimSpacesAndTabs(inner), &context));
            position = closing + tokenClosing.size();
        } else {
            output += templateText[position];
            ++position;
        }
    }
    return output;
}

const nlohmann::json* resolve(std::string_view path, const nlohmann::json* start)
{
    const nlohmann::json* current = start;
    std::size_t segmentStart = 0;
    for (std::size_t offset = 0; offset <= path.size(); ++offset) {
        const bool atSeparator = offset < path.size() && path[offset] == '.' && UnicodeText::standsAlone(path, offset);
        if (offset < path.size() && !atSeparator) {
            continue;
        }
        if (offset > segmentStart) {
            current = step(current, path.substr(segmentStart, offset - segmentStart));
            if (current == nullptr) {
                return nullptr;
            }
        }
        segmentStart = offset + 1;
    }
    return current;
}

std::string stringify(const nlohmann::json* value)
{
    if (value == nullptr || value->is_null()) {
        return {};
    }
    return displayText(*value);
}

std::string combine(std::string_view existing, std::string_view path, std::span<const std::string_view> placeholders)
{
    std::string token = "{{" + std::string(path) + "}}";
    const std::string_view trimmed = UnicodeText::trimSpacesAndTabs(existing);
    if (trimmed.empty() || std::ranges::find(placeholders, trimmed) != placeholders.end()) {
        return token;
    }
    return std::string(existing) + (existing.ends_with(' ') ? "" : " ") + token;
}

} // namespace corvane::Template
