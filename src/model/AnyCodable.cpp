#include "model/AnyCodable.h"

#include "model/JsonText.h"

namespace corvane {

AnyCodable AnyCodable::fromJson(const nlohmann::json& json)
{
    return {normalizedJson(json)};
}

AnyCodable AnyCodable::fromJson(nlohmann::json&& json)
{
    normalizeJson(json);
    return {std::move(json)};
}

nlohmann::json AnyCodable::toJson() const
{
    return normalizedJson(value);
}

std::string AnyCodable::text() const
{
    return displayText(value);
}

bool operator==(const AnyCodable& left, const AnyCodable& right)
{
    return left.text() == right.text();
}

} // namespace corvane
