#include "store/StoreRows.h"

#include "model/JsonText.h"
#include "store/Capture.h"
#include "store/PostgresResult.h"
#include "store/SqliteStatement.h"
#include "store/TimeText.h"

namespace corvane::relay::StoreRows {
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

} // namespace

template <class Row> StoreResult<ListenerRecord> listener(const Row& statement)
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
    return ListenerRecord{std::move(listener), verification(statement, 10)};
}

template <class Row> std::optional<VerificationSettings> verification(const Row& statement, int first)
{
    const auto scheme = VerificationNames::scheme(statement.text(first));
    if (!scheme) {
        return std::nullopt;
    }
    VerificationSettings settings;
    settings.scheme = *scheme;
    settings.mode = VerificationNames::mode(statement.text(first + 1)).value_or(VerificationMode::mark);
    settings.header = statement.text(first + 2);
    settings.algorithm = VerificationNames::algorithm(statement.text(first + 3)).value_or(HmacAlgorithm::sha256);
    settings.encoding = VerificationNames::encoding(statement.text(first + 4)).value_or(DigestEncoding::hex);
    settings.prefix = statement.text(first + 5);
    return settings;
}

template <class Row> StoredPayload payload(const Row& statement, std::size_t cutBytes)
{
    StoredPayload payload;
    payload.id = statement.text(0);
    payload.listenerId = statement.text(1);
    payload.listenerName = statement.text(2);
    payload.listenerToken = statement.text(3);
    payload.notificationConfig = statement.text(4);
    payload.method = statement.text(5);
    payload.headers = statement.text(6);
    payload.query = statement.optionalText(7);
    payload.bodyKind = static_cast<BodyKind>(statement.integer(8));
    if (const auto size = static_cast<std::size_t>(statement.integer(14)); size > cutBytes) {
        payload.bodySize = size;
    } else {
        payload.formBody = statement.optionalText(9);
    }
    payload.rawBody = statement.blob(10);
    payload.receivedAt = statement.integer(11);
    payload.deliveredAt = statement.optionalInteger(12);
    if (const auto status = statement.optionalInteger(15)) {
        payload.verification = PayloadVerification{*status == 1, statement.optionalText(16).value_or("")};
    }
    return payload;
}

template <class Row> std::size_t payloadBodySize(const Row& statement)
{
    return statement.size(9) + static_cast<std::size_t>(statement.integer(14));
}

template <class Row> bool hasBodyParts(const Row& statement, const StoredPayload& payload)
{
    return statement.integer(13) > 0 && !payload.bodySize;
}

template StoreResult<ListenerRecord> listener(const SqliteStatement&);
template StoredPayload payload(const SqliteStatement&, std::size_t);
template std::size_t payloadBodySize(const SqliteStatement&);
template bool hasBodyParts(const SqliteStatement&, const StoredPayload&);
template std::optional<VerificationSettings> verification(const SqliteStatement&, int);
template StoreResult<ListenerRecord> listener(const PostgresResult::Row&);
template StoredPayload payload(const PostgresResult::Row&, std::size_t);
template std::size_t payloadBodySize(const PostgresResult::Row&);
template bool hasBodyParts(const PostgresResult::Row&, const StoredPayload&);
template std::optional<VerificationSettings> verification(const PostgresResult::Row&, int);

} // namespace corvane::relay::StoreRows
