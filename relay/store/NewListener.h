#pragma once

#include "model/NotificationConfig.h"
#include "store/Milliseconds.h"
#include "verification/VerificationSettings.h"

#include <optional>
#include <string>

namespace corvane::relay {

struct NewListener {
    std::string id;
    std::string accountId;
    std::string token;
    std::string name;
    std::optional<std::string> description;
    bool isEnabled = true;
    NotificationConfig notificationConfig;
    std::optional<VerificationSettings> verification;
    Milliseconds createdAt = 0;
};

} // namespace corvane::relay
