#include "model/ListenerVerification.h"

#include "model/JsonFields.h"

namespace corvane {

namespace {

template <class Json> std::expected<ListenerVerification, DecodingError> decodeListenerVerification(Json&& json)
{
    ListenerVerification verification;
    JsonFields::ObjectReader reader(std::forward<Json>(json));
    reader.required("scheme", verification.scheme);
    reader.required("mode", verification.mode);
    reader.required("secret_set", verification.secretSet);
    reader.optional("header", verification.header);
    reader.optional("algorithm", verification.algorithm);
    reader.optional("encoding", verification.encoding);
    reader.optional("prefix", verification.prefix);
    return reader.finish(std::move(verification));
}

} // namespace

std::expected<ListenerVerification, DecodingError> ListenerVerification::fromJson(const nlohmann::json& json)
{
    return decodeListenerVerification(json);
}

std::expected<ListenerVerification, DecodingError> ListenerVerification::fromJson(nlohmann::json&& json)
{
    return decodeListenerVerification(std::move(json));
}

nlohmann::json ListenerVerification::toJson() const
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "scheme", scheme);
    JsonFields::put(json, "mode", mode);
    JsonFields::put(json, "secret_set", secretSet);
    JsonFields::put(json, "header", header);
    JsonFields::put(json, "algorithm", algorithm);
    JsonFields::put(json, "encoding", encoding);
    JsonFields::put(json, "prefix", prefix);
    return json;
}

} // namespace corvane
