#pragma once

#include "model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <expected>
#include <string>

namespace corvane {

// The signed-in account, as the sign-in exchange returns it. `tier` is carried, not interpreted.
struct Account {
    std::string id;
    std::string email;
    std::string tier;

    static std::expected<Account, DecodingError> fromJson(const nlohmann::json& json);
    static std::expected<Account, DecodingError> fromJson(nlohmann::json&& json);
    nlohmann::json toJson() const;

    friend bool operator==(const Account&, const Account&) = default;
};

} // namespace corvane
