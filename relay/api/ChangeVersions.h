#pragma once

#include "store/ChangeBroadcast.h"
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
// would answer differently for that account, and the requests waiting for it to move. A version is
// the time of the change in microseconds since the epoch, or one more than the account's previous
// version when that is later, so a restarted relay never hands out a version an earlier run did, and
// relay instances sharing a database (with clocks in step) agree: each announces its moves through
// the broadcast and takes any higher version it hears of, from an announcement or from a client that
// names it. Kept in memory, used on the I/O thread only.
class ChangeVersions final : public RemovalObserver {
public:
    // Versions further ahead of this instance's clock than this are not taken from anyone.
    static constexpr std::chrono::seconds clockTolerance{300};

    // `broadcast`, when given, is told of every move made here.
    explicit ChangeVersions(std::size_t maxWaiters, ChangeBroadcast* broadcast = nullptr);
    ChangeVersions(const ChangeVersions&) = delete;
    ChangeVersions& operator=(const ChangeVersions&) = delete;

    std::uint64_t current(const std::string& accountId) const;
    // Called once a change of the account is committed, before it is answered: wakes its waiters.
    void moved(const std::string& accountId);
    // Every account's version moves, as when the pruner removed payloads without saying whose.
    void everyAccountMoved();
    void payloadsRemoved() override { everyAccountMoved(); }

    // A version some instance gave the account (or every account): taken, waking the waiters, when it
    // is higher than the current one. False, with nothing taken, when it is too far ahead to be real.
    bool heard(const std::string& accountId, std::uint64_t version);
    bool heardForEveryAccount(std::uint64_t version);

    // Waits until the account's version differs from `after` or `wait` passes; the version then.
    // Nothing, at once, when `maxWaiters` requests wait already. A cancelled wait ends at once.
    boost::asio::awaitable<std::optional<std::uint64_t>> changeAfter(
        std::string accountId, std::uint64_t after, std::chrono::seconds wait);
    std::size_t waiting() const { return m_waiting; }

private:
    static std::uint64_t now();
    static bool plausible(std::uint64_t version);
    void wake(const std::string& accountId);
    void wakeAll();

    std::size_t m_maxWaiters;
    ChangeBroadcast* m_broadcast;
    // The version of every account not in m_versions.
    std::uint64_t m_start;
    // The highest version of any account.
    std::uint64_t m_highest;
    std::unordered_map<std::string, std::uint64_t> m_versions;
    // The timers of the requests waiting on each account; cancelling one wakes its request.
    std::unordered_map<std::string, std::unordered_set<boost::asio::steady_timer*>> m_waiters;
    std::size_t m_waiting = 0;
};

} // namespace corvane::relay
