#include "evaluation/JSONPathFilter.h"

#include "evaluation/Template.h"
#include "evaluation/UnicodeText.h"

namespace corvane::JSONPathFilter {
namespace {

bool startsWithAlone(std::string_view text, std::string_view prefix)
{
    if (!text.starts_with(prefix)) {
        return false;
    }
    for (std::size_t offset = 0; offset < prefix.size(); ++offset) {
        if (!UnicodeText::standsAlone(text, offset)) {
            return false;
        }
    }
    return true;
}

std::string_view withoutRootMarker(std::string_view path)
{
    if (startsWithAlone(path, "$.")) {
        return path.substr(2);
    }
    if (startsWithAlone(path, "$")) {
        return path.substr(1);
    }
    return path;
}

} // namespace

bool matches(const std::optional<std::string>& filter, const nlohmann::json& context)
{
    if (!filter) {
        return true;
    }
    const auto trimmed = UnicodeText::trimSpacesAndTabs(*filter);
    if (trimmed.empty()) {
        return true;
    }
    const nlohmann::json* value = Template::resolve(withoutRootMarker(trimmed), &context);
    if (value == nullptr) {
        return false;
    }
    switch (value->type()) {
    case nlohmann::json::value_t::boolean:
        return value->get<bool>();
    case nlohmann::json::value_t::string:
        return !value->get_ref<const std::string&>().empty();
    case nlohmann::json::value_t::array:
        return !value->empty();
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
    case nlohmann::json::value_t::number_float:
    case nlohmann::json::value_t::object:
        return true;
    default:
        return false;
    }
}

} // namespace corvane::JSONPathFilter
