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

StoreResult<ListenerUpdate> updateListener(
    const ListenerChanges& changes, const StoredSecret& storedSecret, const WriteColumns& write)
{
    auto settings = changes.verification.value_or(std::nullopt);
    if (settings && settings->secret.empty()) {
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
    }
    auto updated = write(UpdatedColumns{
        .config = changes.notificationConfig ? std::optional(configText(*changes.notificationConfig)) : std::nullopt,
        .verification = verification(settings),
    });
    if (!updated) {
        return std::unexpected(updated.error());
    }
    return *updated > 0 ? ListenerUpdate::updated : ListenerUpdate::notFound;
}

} // namespace corvane::relay::StoreColumns
