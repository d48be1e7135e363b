#pragma once

#include "store/ChangeBroadcast.h"
#include "store/Store.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>

namespace corvane::relay {

// The listener behind each hook token seen lately, so that a stream of webhooks to one listener does
// not read the same row for every request. Only tokens that name a listener are kept. Whoever changes
// or deletes a listener calls listenersChanged() once the change is committed and before answering, so
// every request after the answer reads the new state; with a broadcast, the other instances on the
// same database forget theirs too, and an entry older than `maxAge` is read again in case an
// announcement never came (its sender stopped between its commit and its announcement). Used on the
// I/O thread only.
class HookTargets {
public:
    static constexpr std::size_t defaultCapacity = 4096;

    explicit HookTargets(Store& reader, std::size_t capacity = defaultCapacity, ChangeBroadcast* broadcast = nullptr,
        std::optional<std::chrono::steady_clock::duration> maxAge = std::nullopt);

    // The listener the token names, null when none does. Valid until the next call or forgetAll().
    StoreResult<const HookTarget*> find(const std::string& token);
    void listenersChanged();
    void forgetAll();

private:
    struct Entry {
        HookTarget target;
        std::chrono::steady_clock::time_point read;
    };

    Store& m_reader;
    std::size_t m_capacity;
    ChangeBroadcast* m_broadcast;
    std::optional<std::chrono::steady_clock::duration> m_maxAge;
    std::unordered_map<std::string, Entry> m_targets;
};

} // namespace corvane::relay
