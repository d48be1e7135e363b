#pragma once

#include "model/NotificationConfig.h"

#include <optional>
#include <string>

namespace corvane::relay {

// A member left empty is not changed; `description` holding an empty optional clears it.
struct ListenerChanges {
    std::optional<std::string> name;
    std::optional<std::optional<std::string>> description;
    std::optional<NotificationConfig> notificationConfig;
    std::optional<bool> isEnabled;
};

} // namespace corvane::relay
