#include "api/ChangeVersions.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <algorithm>

namespace corvane::relay {

ChangeVersions::ChangeVersions(std::size_t maxWaiters, ChangeBroadcast* broadcast)
    : m_maxWaiters(maxWaiters), m_broadcast(broadcast), m_start(now()), m_highest(m_start)
{
}

std::uint64_t ChangeVersions::now()
{
    return std::uint64_t(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

bool ChangeVersions::plausible(std::uint64_t version)
{
    return version <= now() + std::uint64_t(std::chrono::microseconds(clockTolerance).count());
}

std::uint64_t ChangeVersions::current(const std::string& accountId) const
{
    const auto found = m_versions.find(accountId);
    return found == m_versions.end() ? m_start : found->second;
}

void ChangeVersions::moved(const std::string& accountId)
{
    const auto version = std::max(current(accountId) + 1, now());
    m_versions[accountId] = version;
    m_highest = std::max(m_highest, version);
    wake(accountId);
    if (m_broadcast != nullptr) {
        m_broadcast->accountMoved(accountId, version);
    }
}

void ChangeVersions::everyAccountMoved()
{
    // Accounts not in the map hold the start version; moving it moves them too.
    m_highest = std::max(m_highest + 1, now());
    m_start = m_highest;
    for (auto& [accountId, version] : m_versions) {
        version = m_highest;
    }
    wakeAll();
    if (m_broadcast != nullptr) {
        m_broadcast->everyAccountMoved(m_highest);
    }
}

bool ChangeVersions::heard(const std::string& accountId, std::uint64_t version)
{
    if (!plausible(version)) {
        return false;
    }
    if (version > current(accountId)) {
        m_versions[accountId] = version;
        m_highest = std::max(m_highest, version);
        wake(accountId);
    }
    return true;
}

bool ChangeVersions::heardForEveryAccount(std::uint64_t version)
{
    if (!plausible(version)) {
        return false;
    }
    m_start = std::max(m_start, version);
    for (auto& [accountId, known] : m_versions) {
        known = std::max(known, version);
    }
    m_highest = std::max(m_highest, version);
    wakeAll();
    return true;
}

void ChangeVersions::wake(const std::string& accountId)
{
    if (const auto found = m_waiters.find(accountId); found != m_waiters.end()) {
        for (auto* timer : found->second) {
            timer->cancel();
        }
    }
}

void ChangeVersions::wakeAll()
{
    for (auto& [accountId, timers] : m_waiters) {
        for (auto* timer : timers) {
            timer->cancel();
        }
    }
}

boost::asio::awaitable<std::optional<std::uint64_t>> ChangeVersions::changeAfter(
    std::string accountId, std::uint64_t after, std::chrono::seconds wait)
{
    if (current(accountId) != after || wait.count() == 0) {
        co_return current(accountId);
    }
    if (m_waiting >= m_maxWaiters) {
        co_return std::nullopt;
    }
    boost::asio::steady_timer timer(co_await boost::asio::this_coro::executor, wait);
    auto& timers = m_waiters[accountId];
    timers.insert(&timer);
    ++m_waiting;
    co_await timer.async_wait(boost::asio::as_tuple(boost::asio::use_awaitable));
    --m_waiting;
    const auto found = m_waiters.find(accountId);
    found->second.erase(&timer);
    if (found->second.empty()) {
        m_waiters.erase(found);
    }
    co_return current(accountId);
}

} // namespace corvane::relay
