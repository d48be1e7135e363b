#pragma once

#include "model/NotificationConfig.h"
#include "store/CapturedRequest.h"
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

// What an update writes to a listener's columns besides the ones it takes as they are.
struct UpdatedColumns {
    // The notification_config text, when the update changes it.
    std::optional<std::string> config;
    // The verification columns, when the update changes them.
    Verification verification;
};

// Writes the columns of an update to a listener; the rows it changed.
using WriteColumns = std::function<StoreResult<std::int64_t>(const UpdatedColumns&)>;

// Updates a listener with `write`, giving verification settings without a secret the listener's
// stored one; an update that needs a stored secret and finds none writes nothing.
StoreResult<ListenerUpdate> updateListener(
    const ListenerChanges& changes, const StoredSecret& storedSecret, const WriteColumns& write);

} // namespace corvane::relay::StoreColumns
