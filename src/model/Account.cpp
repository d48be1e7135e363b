#include "model/Account.h"

#include "model/JsonFields.h"

namespace corvane {

namespace {

template <class Json> std::expected<Account, DecodingError> decodeAccount(Json&& json)
{
    Account account;
    JsonFields::ObjectReader reader(std::forward<Json>(json));
    reader.required("id", account.id);
    reader.required("email", account.email);
    reader.required("tier", account.tier);
    return reader.finish(std::move(account));
}

} // namespace

std::expected<Account, DecodingError> Account::fromJson(const nlohmann::json& json)
{
    return decodeAccount(json);
}

std::expected<Account, DecodingError> Account::fromJson(nlohmann::json&& json)
{
    return decodeAccount(std::move(json));
}

nlohmann::json Account::toJson() const
{
    auto json = nlohmann::json::object();
    JsonFields::put(json, "id", id);
    JsonFields::put(json, "email", email);
    JsonFields::put(json, "tier", tier);
    return json;
}

} // namespace corvane
