#include "model/Account.h"

#include "model/JsonFields.h"

namespace corvane {

std::expected<Account, DecodingError> Account::fromJson(const nlohmann::json& json)
{
    Account account;
    JsonFields::ObjectReader reader(json);
    reader.required("id", account.id);
    reader.required("email", account.email);
    reader.required("tier", account.tier);
    return reader.finish(std::move(account));
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
