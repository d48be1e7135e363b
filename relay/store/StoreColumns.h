#pragma once

#include "model/NotificationConfig.h"
#include "store/Capture.h"
#include "store/ListenerChanges.h"
#include "store/StoreResult.h"
#include "verification/VerificationSettings.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// What the stores write into a listener's columns; StoreRows reads them back.
namespace corvane::relay::StoreColumns {

std::string configText(const NotificationConfig& config);

// The values of the verification columns, all null for none: scheme, mode, secret, header,
// algorithm, encoding, prefix.
using Verification = std::array<std::optional<std::string>, 7>;
Verification verification(const std::optional<VerificationSettings>& settings);

// The verification_status and verification_reason columns of a payload: null for none, 1 verified,
// 2 failed with its reason.
struct VerificationStatus {
    std::optional<std::int64_t> status;
    std::optional<std::string> reason;
};
VerificationStatus verificationStatus(const std::optional<PayloadVerification>& verification);

// Reads the secret stored for the listener under a scheme: empty when it has none for that scheme,
// nothing when there is no such listener.
using StoredSecret = std::function<StoreResult<std::optional<std::string>>(VerificationScheme)>;

// Gives settings without a secret the listener's stored one. Nothing when the update may go ahead,
// otherwise what it comes to: no such listener, or no secret stored under the settings' scheme.
StoreResult<std::optional<ListenerUpdate>> keepStoredSecret(
    std::optional<VerificationSettings>& settings, const StoredSecret& storedSecret);

} // namespace corvane::relay::StoreColumns
