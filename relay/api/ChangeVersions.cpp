#include "api/ChangeVersions.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

namespace corvane::relay {

ChangeVersions::ChangeVersions(std::size_t maxWaiters)
    : m_maxWaiters(maxWaiters), m_start(std::uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                        .count())),
      m_last(m_start)
{
}

std::uint64_t ChangeVersions::current(const std::string& accountId) const
{
    const auto found = m_versions.find(accountId);
    return found == m_versions.end() ? m_start : found->second;
}

void ChangeVersions::moved(const std::string& accountId)
{
    m_versions[accountId] = ++m_last;
    if (const auto found = m_waiters.find(accountId); found != m_waiters.end()) {
        for (auto* timer : found->second) {
            timer->cancel();
        }
    }
}

void ChangeVersions::payloadsRemoved()
{
    // Accounts not in the map hold the start version; giving them one of their own moves them too.
    m_start = ++m_last;
    for (auto& [accountId, version] : m_versions) {
        version = ++m_last;
    }
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
