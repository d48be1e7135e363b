#include "model/Listener.h"

#include "model/JsonFields.h"

namespace corvane {

namespace {

template <class Json> std::expected<Listener, DecodingError> decodeListener(Json&& json)
{
    Listener listener;
    JsonFields::ObjectReader reader(std::forward<Json>(json));
    reader.required("id", listener.id);
    reader.required("listener_token", listener.listenerToken);
    reader.required("name", listener.name);
    reader.optional("description", listener.description);
    reader.required("is_enabled", listener.isEnabled);
    reader.required("notification_config", listener.notificationConfig);
    reader.required("created_at", listener.createdAt);
    reader.required("updated_at", listener.updatedAt);
    reader.optional("undelivered_count", listener.undeliveredCount);
    reader.optional("total_received", listener.totalReceived);
    reader.required("hook_path", listener.hookPath);
    reader.optional("verification", listener.verification);
    return reader.finish(std::move(listener));
}

} // namespace

std::expected<Listener, DecodingError> Listener::fromJson(const nlohmann::json& json)
{
    return decodeListener(json);
}

std::expected<Listener, DecodingError> Listener::fromJson(nlohmann::json&& json)
{
    return decodeListener(std::move(json));
}

nlohmann::json Listener::toJson() const
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "id", id);
    JsonFields::put(json, "listener_token", listenerToken);
    JsonFields::put(json, "name", name);
    JsonFields::put(json, "description", description);
    JsonFields::put(json, "is_enabled", isEnabled);
    JsonFields::put(json, "notification_config", notificationConfig);
    JsonFields::put(json, "created_at", createdAt);
    JsonFields::put(json, "updated_at", updatedAt);
    JsonFields::put(json, "undelivered_count", undeliveredCount);
    JsonFields::put(json, "total_received", totalReceived);
    JsonFields::put(json, "hook_path", hookPath);
    JsonFields::put(json, "verification", verification);
    return json;
}

} // namespace corvane
