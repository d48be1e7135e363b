#include "model/JsonFields.h"

namespace corvane::JsonFields {

DecodingError typeMismatch(std::string_view expected, const nlohmann::json& found)
{
    std::string kind;
    switch (found.type()) {
    case nlohmann::json::value_t::null:
        kind = "null";
        break;
    case nlohmann::json::value_t::array:
        kind = "an array";
        break;
    case nlohmann::json::value_t::object:
        kind = "an object";
        break;
    default:
        kind = std::string("a ") + found.type_name();
        break;
    }
    return {{}, "expected " + std::string(expected) + ", found " + kind};
}

} // namespace corvane::JsonFields
