#include "model/NotificationConfig.h"

#include "model/JsonFields.h"

namespace corvane {

namespace {

template <class Json> std::expected<NotificationConfig, DecodingError> decodeNotificationConfig(Json&& json)
{
    NotificationConfig config;
    JsonFields::ObjectReader reader(std::forward<Json>(json));
    reader.optional("title", config.title);
    reader.optional("body", config.body);
    reader.optional("filter", config.filter);
    reader.optional("sound", config.sound);
    reader.optional("link", config.link);
    return reader.finish(std::move(config));
}

} // namespace

std::expected<NotificationConfig, DecodingError> NotificationConfig::fromJson(const nlohmann::json& json)
{
    return decodeNotificationConfig(json);
}

std::expected<NotificationConfig, DecodingError> NotificationConfig::fromJson(nlohmann::json&& json)
{
    return decodeNotificationConfig(std::move(json));
}

nlohmann::json NotificationConfig::toJson() const
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "title", title);
    JsonFields::put(json, "body", body);
    JsonFields::put(json, "filter", filter);
    JsonFields::put(json, "sound", sound);
    JsonFields::put(json, "link", link);
    return json;
}

} // namespace corvane
