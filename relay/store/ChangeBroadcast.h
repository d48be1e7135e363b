#pragma once

#include <cstdint>
#include <string>

namespace corvane::relay {

// Tells the other relay instances on the same database what changed here. Called on the I/O thread
// once a change is committed; announcements go out soon after, a burst of them coalesced (for each
// account only its highest version), and reach this instance too.
class ChangeBroadcast {
public:
    virtual ~ChangeBroadcast() = default;

    virtual void accountMoved(const std::string& accountId, std::uint64_t version) = 0;
    virtual void everyAccountMoved(std::uint64_t version) = 0;
    virtual void listenersChanged() = 0;
};

} // namespace corvane::relay
