#include "core/ChangeWaiter.h"

#include "core/CancellableSleep.h"
#include "service/ServiceClient.h"

#include <algorithm>

namespace corvane {
namespace {

constexpr std::chrono::milliseconds minimumGap(100);
// Held requests stay below the client's 60-second transfer timeout.
constexpr int longestWait = 55;
// Between two answers that did not change the version: a relay answering those at once is not asked
// in a tight loop.
constexpr std::chrono::seconds askAgainAfter(1);

} // namespace

ChangeWaiter::ChangeWaiter(ServiceClient& client) : m_client(&client), m_lastEnd(std::chrono::steady_clock::now())
{
}

QCoro::Task<> ChangeWaiter::pause(std::chrono::milliseconds interval, std::stop_token stop)
{
    if (m_supported) {
        std::stop_source ended;
        const std::stop_callback forward(stop, [&ended] { ended.request_stop(); });
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(interval).count();
        auto sleeping = sleepThenEnd(interval, ended);
        auto watching = watchThenEnd(static_cast<int>(std::clamp<decltype(seconds)>(seconds, 1, longestWait)), ended);
        co_await sleeping;
        co_await watching;
    } else {
        co_await cancellableSleep(interval, stop);
    }
    const auto early
        = std::chrono::ceil<std::chrono::milliseconds>(m_lastEnd + minimumGap - std::chrono::steady_clock::now());
    if (early.count() > 0) {
        co_await cancellableSleep(early, stop);
    }
    m_lastEnd = std::chrono::steady_clock::now();
}

QCoro::Task<> ChangeWaiter::sleepThenEnd(std::chrono::milliseconds interval, std::stop_source ended)
{
    co_await cancellableSleep(interval, ended.get_token());
    ended.request_stop();
}

QCoro::Task<> ChangeWaiter::watchThenEnd(int wait, std::stop_source ended)
{
    const std::stop_token stop = ended.get_token();
    while (m_client && !stop.stop_requested()) {
        const auto answer = co_await m_client->changes(m_version, wait, stop);
        if (!answer) {
            m_supported = answer.error().kind != Failure::Kind::notSupported;
            co_return;
        }
        if (*answer != m_version) {
            const bool moved = !m_version.isEmpty();
            m_version = *answer;
            if (moved) {
                ended.request_stop();
                co_return;
            }
        } else {
            co_await cancellableSleep(askAgainAfter, stop);
        }
    }
}

} // namespace corvane
