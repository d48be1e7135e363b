#pragma once

#include "store/CommitQueue.h"
#include "store/RemovalObserver.h"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>

namespace corvane::relay {

// Applies the retention rules in the background, at start and then every `interval`: only the
// newest `keepPerListener` payloads of each listener are kept, and none older than `maximumAge`; the
// webhook-ids kept to recognise retries are forgotten once past the signature tolerance. A pass that
// removed payloads tells `observer` once they are committed.
class RetentionPruner {
public:
    RetentionPruner(boost::asio::io_context& context, CommitQueue& queue, RemovalObserver& observer,
        std::int64_t keepPerListener, std::chrono::hours maximumAge, std::chrono::seconds interval);

    void start();
    void stop();

private:
    boost::asio::awaitable<void> prune();

    CommitQueue& m_queue;
    RemovalObserver& m_observer;
    std::int64_t m_keepPerListener;
    std::chrono::hours m_maximumAge;
    std::chrono::seconds m_interval;
    boost::asio::steady_timer m_timer;
    bool m_stopped = false;
};

} // namespace corvane::relay
