#pragma once

#include "model/NotificationConfig.h"
#include "store/ListenerChanges.h"
#include "store/StoreResult.h"
#include "verification/VerificationSettings.h"

#include <array>
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

// Reads the secret stored for the listener under a scheme: empty when it has none for that scheme,
// nothing when there is no such listener.
using StoredSecret = std::function<StoreResult<std::optional<std::string>>(VerificationScheme)>;

// Gives settings without a secret the listener's stored one. Nothing when the update may go ahead,
// otherwise what it comes to: no such listener, or no secret stored under the settings' scheme.
StoreResult<std::optional<ListenerUpdate>> keepStoredSecret(
    std::optional<VerificationSettings>& settings, const StoredSecret& storedSecret);

} // namespace corvane::relay::StoreColumns
