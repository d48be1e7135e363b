#include "model/VerificationOutcome.h"

#include "model/JsonFields.h"

namespace corvane {

namespace {

template <class Json> std::expected<VerificationOutcome, DecodingError> decodeVerificationOutcome(Json&& json)
{
    VerificationOutcome outcome;
    JsonFields::ObjectReader reader(std::forward<Json>(json));
    reader.required("status", outcome.status);
    reader.optional("reason", outcome.reason);
    return reader.finish(std::move(outcome));
}

} // namespace

std::expected<VerificationOutcome, DecodingError> VerificationOutcome::fromJson(const nlohmann::json& json)
{
    return decodeVerificationOutcome(json);
}

std::expected<VerificationOutcome, DecodingError> VerificationOutcome::fromJson(nlohmann::json&& json)
{
    return decodeVerificationOutcome(std::move(json));
}

nlohmann::json VerificationOutcome::toJson() const
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "status", status);
    JsonFields::put(json, "reason", reason);
    return json;
}

} // namespace corvane
