#include "store/CommitQueue.h"

#include <algorithm>

namespace corvane::relay {

CommitQueue::CommitQueue(std::unique_ptr<Store> store, Observer& observer)
    : m_store(std::move(store)), m_observer(observer), m_writer([this] { writeBatches(); })
{
}

CommitQueue::~CommitQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_writer.join();
}

void CommitQueue::enqueue(std::unique_ptr<PendingJob> job)
{
    auto executor = job->executor();
    bool postWake = false;
    {
        std::lock_guard lock(m_mutex);
        m_queued.push_back(std::move(job));
        postWake = !m_wakePosted;
        m_wakePosted = true;
    }
    if (postWake) {
        boost::asio::post(executor, [this] {
            {
                std::lock_guard lock(m_mutex);
                m_wakePosted = false;
            }
            m_wake.notify_one();
        });
    }
}

void CommitQueue::writeBatches()
{
    Batch batch;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queued.empty(); });
            if (m_queued.empty()) {
                return;
            }
            batch = nextBatch();
        }
        std::optional<StoreError> failure;
        if (auto begun = m_store->beginBatch(); !begun) {
            failure = begun.error();
        } else {
            for (auto& job : batch) {
                job->run(*m_store);
            }
            if (auto committed = m_store->commitBatch(); !committed) {
                failure = committed.error();
                m_store->rollbackBatch();
            }
        }
        if (!failure) {
            m_observer.batchCommitted(batch.size());
        }
        resume(std::move(batch), failure);
        batch = Batch();
    }
}

CommitQueue::Batch CommitQueue::nextBatch()
{
    Batch batch;
    const auto heavy = std::ranges::find_if(m_queued, [](const auto& job) { return job->heavy; });
    if (heavy != m_queued.end() && m_lightTaken) {
        batch.push_back(std::move(*heavy));
        m_queued.erase(heavy);
        m_lightTaken = false;
        return batch;
    }
    std::erase_if(m_queued, [&batch](std::unique_ptr<PendingJob>& job) {
        if (job->heavy) {
            return false;
        }
        batch.push_back(std::move(job));
        return true;
    });
    m_lightTaken = !batch.empty();
    if (batch.empty()) {
        batch.push_back(std::move(m_queued.front()));
        m_queued.erase(m_queued.begin());
    }
    return batch;
}

void CommitQueue::resume(Batch batch, const std::optional<StoreError>& commitFailure)
{
    while (!batch.empty()) {
        // The jobs of the first job's executor move to `same`; the others stay for the next round.
        const auto executor = batch.front()->executor();
        Batch same;
        std::erase_if(batch, [&](std::unique_ptr<PendingJob>& job) {
            if (job->executor() != executor) {
                return false;
            }
            same.push_back(std::move(job));
            return true;
        });
        boost::asio::post(executor, [jobs = std::move(same), commitFailure]() mutable {
            for (auto& job : jobs) {
                job->complete(commitFailure);
            }
        });
    }
}

} // namespace corvane::relay
