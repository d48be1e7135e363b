#pragma once

#include "verification/VerificationSettings.h"

#include <optional>
#include <string>

namespace corvane::relay {

// What a hook request needs to know about the listener its token names.
struct HookTarget {
    std::string listenerId;
    std::string accountId;
    bool isEnabled = false;
    std::optional<VerificationSettings> verification;
};

} // namespace corvane::relay
