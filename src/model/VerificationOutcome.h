#pragma once

#include "model/DecodingError.h"

#include <nlohmann/json.hpp>

#include <expected>
#include <optional>
#include <string>

namespace corvane {

// What the relay found when it checked a captured request's signature: `status` is "verified" or
// "failed"; a failure says why in `reason` ("signature does not match").
struct VerificationOutcome {
    std::string status;
    std::optional<std::string> reason;

    bool verified() const { return status == "verified"; }

    static std::expected<VerificationOutcome, DecodingError> fromJson(const nlohmann::json& json);
    static std::expected<VerificationOutcome, DecodingError> fromJson(nlohmann::json&& json);
    nlohmann::json toJson() const;

    friend bool operator==(const VerificationOutcome&, const VerificationOutcome&) = default;
};

} // namespace corvane
