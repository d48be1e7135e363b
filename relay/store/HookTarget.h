#pragma once

#include <string>

namespace corvane::relay {

// What a hook request needs to know about the listener its token names.
struct HookTarget {
    std::string listenerId;
    std::string accountId;
    bool isEnabled = false;
};

} // namespace corvane::relay
