#pragma once

#include "model/Listener.h"
#include "verification/VerificationSettings.h"

#include <optional>

namespace corvane::relay {

// A listener as the API answers it, with its verification settings (their secret left empty).
struct ListenerRecord {
    Listener listener;
    std::optional<VerificationSettings> verification;
};

} // namespace corvane::relay
