#include "store/SqliteRows.h"

#include "model/JsonFields.h"
#include "model/JsonText.h"
#include "store/Capture.h"
#include "store/TimeText.h"

namespace corvane::relay::SqliteRows {
namespace {

StoreResult<nlohmann::json> storedJson(const std::string& text)
{
    auto parsed = parseJson(text);
    if (!parsed) {
        return std::unexpected(StoreError{"stored JSON is damaged: " + parsed.error().description()});
    }
    return *std::move(parsed);
}

StoreResult<NotificationConfig> storedConfig(const std::string& text)
{
    auto json = storedJson(text);
    if (!json) {
        return std::unexpected(json.error());
    }
    auto config = NotificationConfig::fromJson(*json);
    if (!config) {
        return std::unexpected(StoreError{"stored notification configuration is damaged"});
    }
    return *std::move(config);
}

StoreResult<std::map<std::string, AnyCodable>> storedMembers(const std::string& text)
{
    auto json = storedJson(text);
    if (!json) {
        return std::unexpected(json.error());
    }
    auto members = JsonFields::decode<std::map<std::string, AnyCodable>>(*json);
    if (!members) {
        return std::unexpected(StoreError{"stored members are damaged"});
    }
    return *std::move(members);
}

} // namespace

StoreResult<Listener> listener(const SqliteStatement& statement)
{
    auto config = storedConfig(statement.text(5));
    if (!config) {
        return std::unexpected(config.error());
    }
    Listener listener;
    listener.id = statement.text(0);
    listener.listenerToken = statement.text(1);
    listener.name = statement.text(2);
    listener.description = statement.optionalText(3);
    listener.isEnabled = statement.integer(4) != 0;
    listener.notificationConfig = *std::move(config);
    listener.createdAt = TimeText::rfc3339(statement.integer(6));
    listener.updatedAt = TimeText::rfc3339(statement.integer(7));
    listener.undeliveredCount = statement.integer(8);
    listener.totalReceived = statement.integer(9);
    listener.hookPath = "/h/" + listener.listenerToken;
    return listener;
}

StoreResult<Payload> payload(const SqliteStatement& statement)
{
    auto config = storedConfig(statement.text(4));
    auto headers = storedMembers(statement.text(6));
    if (!config || !headers) {
        return std::unexpected(config ? headers.error() : config.error());
    }
    Payload payload;
    payload.id = statement.text(0);
    payload.listenerId = statement.text(1);
    payload.listenerName = statement.text(2);
    payload.listenerToken = statement.text(3);
    payload.notificationConfig = *std::move(config);
    payload.method = statement.text(5);
    payload.headers = *std::move(headers);
    if (const auto query = statement.optionalText(7)) {
        auto members = storedMembers(*query);
        if (!members) {
            return std::unexpected(members.error());
        }
        payload.query = *std::move(members);
    }
    payload.rawBody = statement.blob(10);
    switch (static_cast<BodyKind>(statement.integer(8))) {
    case BodyKind::json:
        if (auto body = parseJson(*payload.rawBody)) {
            payload.body = AnyCodable{*std::move(body)};
        }
        break;
    case BodyKind::form:
        if (auto body = parseJson(statement.text(9))) {
            payload.body = AnyCodable{*std::move(body)};
        }
        break;
    case BodyKind::none:
        break;
    }
    payload.receivedAt = TimeText::rfc3339(statement.integer(11));
    if (const auto delivered = statement.optionalInteger(12)) {
        payload.deliveredAt = TimeText::rfc3339(*delivered);
    }
    return payload;
}

} // namespace corvane::relay::SqliteRows
