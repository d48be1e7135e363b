#include "store/StoreColumns.h"

namespace corvane::relay::StoreColumns {

std::string configText(const NotificationConfig& config)
{
    return config.toJson().dump();
}

Verification verification(const std::optional<VerificationSettings>& settings)
{
    if (!settings) {
        return {};
    }
    const bool hmac = settings->scheme == VerificationScheme::hmac;
    const auto hmacOnly = [hmac](auto value) { return hmac ? std::optional<std::string>(value) : std::nullopt; };
    return {std::string(VerificationNames::of(settings->scheme)), std::string(VerificationNames::of(settings->mode)),
        settings->secret, hmacOnly(settings->header), hmacOnly(VerificationNames::of(settings->algorithm)),
        hmacOnly(VerificationNames::of(settings->encoding)), hmacOnly(settings->prefix)};
}

VerificationStatus verificationStatus(const std::optional<PayloadVerification>& verification)
{
    if (!verification) {
        return {.status = std::nullopt, .reason = std::nullopt};
    }
    if (verification->verified) {
        return {.status = 1, .reason = std::nullopt};
    }
    return {.status = 2, .reason = verification->reason};
}

StoreResult<std::optional<ListenerUpdate>> keepStoredSecret(
    std::optional<VerificationSettings>& settings, const StoredSecret& storedSecret)
{
    if (!settings || !settings->secret.empty()) {
        return std::nullopt;
    }
    auto stored = storedSecret(settings->scheme);
    if (!stored) {
        return std::unexpected(stored.error());
    }
    const auto& secret = *stored;
    if (!secret) {
        return ListenerUpdate::notFound;
    }
    if (secret->empty()) {
        return ListenerUpdate::secretRequired;
    }
    settings->secret = *secret;
    return std::nullopt;
}

} // namespace corvane::relay::StoreColumns
