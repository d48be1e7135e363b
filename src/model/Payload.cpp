#include "model/Payload.h"

#include "model/JsonFields.h"

namespace corvane {

namespace {

template <class Json> std::expected<Payload, DecodingError> decodePayload(Json&& json)
{
    Payload payload;
    JsonFields::ObjectReader reader(std::forward<Json>(json));
    reader.required("id", payload.id);
    reader.optional("listener_id", payload.listenerId);
    reader.optional("listener_name", payload.listenerName);
    reader.optional("listener_token", payload.listenerToken);
    reader.optional("notification_config", payload.notificationConfig);
    reader.required("method", payload.method);
    reader.optional("headers", payload.headers);
    reader.optional("query", payload.query);
    reader.optional("body", payload.body);
    reader.optional("raw_body", payload.rawBody);
    reader.optional("body_truncated", payload.bodyTruncated);
    reader.optional("body_size", payload.bodySize);
    reader.required("received_at", payload.receivedAt);
    reader.optional("delivered_at", payload.deliveredAt);
    reader.optional("verification", payload.verification);
    return reader.finish(std::move(payload));
}

} // namespace

std::expected<Payload, DecodingError> Payload::fromJson(const nlohmann::json& json)
{
    return decodePayload(json);
}

std::expected<Payload, DecodingError> Payload::fromJson(nlohmann::json&& json)
{
    return decodePayload(std::move(json));
}

nlohmann::json Payload::toJson() const
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "id", id);
    JsonFields::put(json, "listener_id", listenerId);
    JsonFields::put(json, "listener_name", listenerName);
    JsonFields::put(json, "listener_token", listenerToken);
    JsonFields::put(json, "notification_config", notificationConfig);
    JsonFields::put(json, "method", method);
    JsonFields::put(json, "headers", headers);
    JsonFields::put(json, "query", query);
    JsonFields::put(json, "body", body);
    JsonFields::put(json, "raw_body", rawBody);
    JsonFields::put(json, "body_truncated", bodyTruncated);
    JsonFields::put(json, "body_size", bodySize);
    JsonFields::put(json, "received_at", receivedAt);
    JsonFields::put(json, "delivered_at", deliveredAt);
    JsonFields::put(json, "verification", verification);
    return json;
}

} // namespace corvane
