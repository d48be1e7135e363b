#pragma once

#include "store/RemovalObserver.h"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace corvane::relay {

// Each account's change version: a number that moves whenever anything the app's poll cycle reads
// would answer differently for that account, and the requests waiting for it to move. Versions come
// from one counter that starts at the relay's start time in microseconds and grows by one per change,
// so a restarted relay never hands out a version an earlier run did. Kept in memory, used on the I/O
// thread only.
class ChangeVersions final : public RemovalObserver {
public:
    explicit ChangeVersions(std::size_t maxWaiters);
    ChangeVersions(const ChangeVersions&) = delete;
    ChangeVersions& operator=(const ChangeVersions&) = delete;

    std::uint64_t current(const std::string& accountId) const;
    // Called once a change of the account is committed, before it is answered: wakes its waiters.
    void moved(const std::string& accountId);
    // The pruner does not say whose payloads it removed: every account's version moves.
    void payloadsRemoved() override;

    // Waits until the account's version differs from `after` or `wait` passes; the version then.
    // Nothing, at once, when `maxWaiters` requests wait already. A cancelled wait ends at once.
    boost::asio::awaitable<std::optional<std::uint64_t>> changeAfter(
        std::string accountId, std::uint64_t after, std::chrono::seconds wait);
    std::size_t waiting() const { return m_waiting; }

private:
    std::size_t m_maxWaiters;
    std::uint64_t m_start;
    std::uint64_t m_last;
    std::unordered_map<std::string, std::uint64_t> m_versions;
    // The timers of the requests waiting on each account; cancelling one wakes its request.
    std::unordered_map<std::string, std::unordered_set<boost::asio::steady_timer*>> m_waiters;
    std::size_t m_waiting = 0;
};

} // namespace corvane::relay
