#include "service/ResponseDecoding.h"

#include "model/JsonFields.h"
#include "model/JsonText.h"

#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>

#include <string_view>

namespace corvane::ResponseDecoding {
namespace {

// Above this size a body is decoded on the thread pool (about a millisecond of parsing here).
constexpr qsizetype largeBody = qsizetype{128} * 1024;

template <class T> using Decoded = std::expected<T, Failure>;

// Parses the body and reads it with `read`, which takes the parsed value as an rvalue.
template <class T, class Read> Decoded<T> parseAndRead(const QByteArray& body, Read read)
{
    auto parsed = parseJson(std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
    if (!parsed) {
        return std::unexpected(Failure::decoding(parsed.error()));
    }
    auto decoded = read(std::move(*parsed));
    if (!decoded) {
        return std::unexpected(Failure::decoding(decoded.error()));
    }
    return *std::move(decoded);
}

template <class T, class Read> QCoro::Task<Decoded<T>> decode(QByteArray body, Read read)
{
    if (body.size() < largeBody) {
        co_return parseAndRead<T>(body, read);
    }
    const auto work = [body = std::move(body), read] { return parseAndRead<T>(body, read); };
    QFuture<Decoded<T>> decoding = QtConcurrent::run(work);
    // Awaiting the future itself would copy the decoded value out of it; it is moved out instead.
    co_await QFuture<void>(decoding);
    co_return decoding.takeResult();
}

// The list under `key` of an envelope object; fails as "key: ..." or "key[3].member: ...".
template <class Element>
std::expected<std::vector<Element>, DecodingError> listMember(nlohmann::json&& envelope, const char* key)
{
    if (!envelope.is_object()) {
        return std::unexpected(JsonFields::typeMismatch("an object", envelope));
    }
    const auto member = envelope.find(key);
    if (member == envelope.end()) {
        return std::unexpected(DecodingError{key, "required key is missing"});
    }
    auto list = JsonFields::decode<std::vector<Element>>(std::move(*member));
    if (!list) {
        return std::unexpected(list.error().within(key));
    }
    return list;
}

} // namespace

QCoro::Task<Decoded<std::vector<Payload>>> pollResponse(QByteArray body)
{
    return decode<std::vector<Payload>>(std::move(body), [](nlohmann::json&& envelope) {
        // "count" is not used, but an envelope without it is not a poll response.
        std::optional<DecodingError> countError;
        if (envelope.is_object()) {
            const auto count = envelope.find("count");
            if (count == envelope.end()) {
                countError = DecodingError{"count", "required key is missing"};
            } else if (auto number = JsonFields::decode<std::int64_t>(*count); !number) {
                countError = number.error().within("count");
            }
        }
        auto list = listMember<Payload>(std::move(envelope), "webhooks");
        if (list && countError) {
            return std::expected<std::vector<Payload>, DecodingError>(std::unexpected(*countError));
        }
        return list;
    });
}

QCoro::Task<Decoded<std::vector<Payload>>> recentResponse(QByteArray body)
{
    return decode<std::vector<Payload>>(std::move(body),
        [](nlohmann::json&& envelope) { return listMember<Payload>(std::move(envelope), "webhooks"); });
}

QCoro::Task<Decoded<std::vector<Listener>>> listenersResponse(QByteArray body)
{
    return decode<std::vector<Listener>>(std::move(body),
        [](nlohmann::json&& envelope) { return listMember<Listener>(std::move(envelope), "listeners"); });
}

QCoro::Task<Decoded<Payload>> payload(QByteArray body)
{
    return decode<Payload>(std::move(body), [](nlohmann::json&& json) { return Payload::fromJson(std::move(json)); });
}

QCoro::Task<Decoded<Listener>> listener(QByteArray body)
{
    return decode<Listener>(std::move(body), [](nlohmann::json&& json) { return Listener::fromJson(std::move(json)); });
}

QCoro::Task<Decoded<ExchangeResponse>> exchangeResponse(QByteArray body)
{
    return decode<ExchangeResponse>(
        std::move(body), [](nlohmann::json&& json) { return ExchangeResponse::fromJson(std::move(json)); });
}

QCoro::Task<Decoded<TemplateSuggestion>> templateSuggestion(QByteArray body)
{
    return decode<TemplateSuggestion>(
        std::move(body), [](nlohmann::json&& json) { return TemplateSuggestion::fromJson(std::move(json)); });
}

} // namespace corvane::ResponseDecoding
