#pragma once

#include "model/NotificationConfig.h"
#include "verification/VerificationSettings.h"

#include <optional>
#include <string>

namespace corvane::relay {

// A member left empty is not changed; `description` or `verification` holding an empty optional clears
// it. Verification settings with an empty secret keep the listener's secret, which only settings of
// the same scheme may do.
struct ListenerChanges {
    std::optional<std::string> name;
    std::optional<std::optional<std::string>> description;
    std::optional<NotificationConfig> notificationConfig;
    std::optional<bool> isEnabled;
    std::optional<std::optional<VerificationSettings>> verification;
};

enum class ListenerUpdate {
    updated,
    notFound,
    // The change keeps a secret the listener does not have for that scheme.
    secretRequired,
};

} // namespace corvane::relay
