#pragma once

#include "store/Store.h"

#include <cstddef>
#include <string>
#include <unordered_map>

namespace corvane::relay {

// The listener behind each hook token seen lately, so that a stream of webhooks to one listener does
// not read the same row for every request. Only tokens that name a listener are kept. Whoever changes
// or deletes a listener calls forgetAll() once the change is committed and before answering, so every
// request after the answer reads the new state. Used on the I/O thread only.
class HookTargets {
public:
    static constexpr std::size_t defaultCapacity = 4096;

    explicit HookTargets(Store& reader, std::size_t capacity = defaultCapacity);

    // The listener the token names, null when none does. Valid until the next call or forgetAll().
    StoreResult<const HookTarget*> find(const std::string& token);
    void forgetAll();

private:
    Store& m_reader;
    std::size_t m_capacity;
    std::unordered_map<std::string, HookTarget> m_targets;
};

} // namespace corvane::relay
