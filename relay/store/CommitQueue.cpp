#include "store/CommitQueue.h"

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
    {
        std::lock_guard lock(m_mutex);
        m_queued.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void CommitQueue::writeBatches()
{
    std::vector<std::unique_ptr<PendingJob>> batch;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queued.empty(); });
            if (m_queued.empty()) {
                return;
            }
            batch.swap(m_queued);
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
        for (auto& job : batch) {
            job->complete(failure);
        }
        batch.clear();
    }
}

} // namespace corvane::relay
