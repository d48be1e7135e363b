#include "service/MessageBodies.h"

#include "model/JsonFields.h"

namespace corvane {
namespace {

template <class Body> nlohmann::json listenerBody(const Body& body)
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "name", body.name);
    JsonFields::put(json, "description", body.description);
    JsonFields::put(json, "notification_config", body.notificationConfig);
    JsonFields::put(json, "is_enabled", body.isEnabled);
    return json;
}

} // namespace

nlohmann::json VerificationSettings::toJson() const
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "scheme", scheme);
    JsonFields::put(json, "mode", mode);
    JsonFields::put(json, "secret", secret);
    JsonFields::put(json, "header", header);
    JsonFields::put(json, "algorithm", algorithm);
    JsonFields::put(json, "encoding", encoding);
    JsonFields::put(json, "prefix", prefix);
    return json;
}

nlohmann::json CreateListenerBody::toJson() const
{
    auto json = listenerBody(*this);
    JsonFields::put(json, "verification", verification);
    return json;
}

nlohmann::json UpdateListenerBody::toJson() const
{
    auto json = listenerBody(*this);
    if (verification) {
        json["verification"] = *verification ? (*verification)->toJson() : nlohmann::json(nullptr);
    }
    return json;
}

nlohmann::json ExchangeBody::toJson() const
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "code", code);
    JsonFields::put(json, "code_verifier", codeVerifier);
    return json;
}

std::expected<ExchangeResponse, DecodingError> ExchangeResponse::fromJson(nlohmann::json&& json)
{
    ExchangeResponse response;
    JsonFields::ObjectReader reader(std::move(json));
    reader.required("api_key", response.apiKey);
    reader.required("account", response.account);
    return reader.finish(std::move(response));
}

std::expected<TemplateSuggestion, DecodingError> TemplateSuggestion::fromJson(nlohmann::json&& json)
{
    TemplateSuggestion suggestion;
    JsonFields::ObjectReader reader(std::move(json));
    reader.required("title", suggestion.title);
    reader.required("body", suggestion.body);
    reader.optional("filter", suggestion.filter);
    reader.optional("link", suggestion.link);
    return reader.finish(std::move(suggestion));
}

} // namespace corvane
