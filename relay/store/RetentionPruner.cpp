#include "store/RetentionPruner.h"

#include "store/TimeText.h"
#include "verification/SignatureVerifier.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>

#include <cstdio>

namespace corvane::relay {

RetentionPruner::RetentionPruner(boost::asio::io_context& context, CommitQueue& queue, RemovalObserver& observer,
    std::int64_t keepPerListener, std::chrono::hours maximumAge, std::chrono::seconds interval)
    : m_queue(queue), m_observer(observer), m_keepPerListener(keepPerListener), m_maximumAge(maximumAge),
      m_interval(interval), m_timer(context)
{
}

void RetentionPruner::start()
{
    boost::asio::co_spawn(m_timer.get_executor(), prune(), boost::asio::detached);
}

void RetentionPruner::stop()
{
    m_stopped = true;
    m_timer.cancel();
}

boost::asio::awaitable<void> RetentionPruner::prune()
{
    while (!m_stopped) {
        const auto now = TimeText::now();
        const auto cutoff = now - std::chrono::duration_cast<std::chrono::milliseconds>(m_maximumAge).count();
        const auto idCutoff = now - SignatureVerifier::toleranceSeconds * 1000;
        auto removedWork = [cutoff, idCutoff, keep = m_keepPerListener](Store& store) -> StoreResult<std::int64_t> {
            auto old = store.removeReceivedBefore(cutoff);
            auto surplus = store.removeBeyondNewest(keep);
            auto ids = store.removeWebhookIdsBefore(idCutoff);
            if (!old || !surplus || !ids) {
                return std::unexpected(!old ? old.error() : !surplus ? surplus.error() : ids.error());
            }
            return *old + *surplus;
        };
        auto removed = co_await m_queue.submit(std::move(removedWork));
        if (!removed) {
            std::fprintf(stderr, "retention: pruning failed: %s\n", removed.error().message.c_str());
        } else if (*removed > 0) {
            std::fprintf(stderr, "retention: removed %lld payloads\n", static_cast<long long>(*removed));
            m_observer.payloadsRemoved();
        }
        if (m_stopped) {
            break;
        }
        m_timer.expires_after(m_interval);
        co_await m_timer.async_wait(boost::asio::as_tuple(boost::asio::use_awaitable));
    }
}

} // namespace corvane::relay
