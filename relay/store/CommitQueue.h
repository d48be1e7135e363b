#pragma once

#include "store/Store.h"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <vector>

namespace corvane::relay {

// The single writer. Work submitted from the I/O thread runs on the writer's own thread against the
// writer's store; everything that arrived while the previous transaction committed goes into the
// next one (group commit). A submitter resumes, on its own executor, only after its transaction
// committed, or with the commit's failure. The submitters of one batch are resumed by one handler
// posted to their executor, which also destroys their work there.
//
// A resting writer is woken by a handler posted to the submitter's executor, not by the submission
// itself: work submitted by the handlers that are ready to run joins the same batch, instead of the
// first submission waking the writer (which shares a core with the I/O thread) for a batch of one.
// A writer that is busy takes whatever has been submitted as soon as it is done.
//
// Work that writes a large body (heavyBytes or more) is committed in a batch of its own. Such batches
// and batches of the other work take turns: neither kind waits for more than one batch of the other.
class CommitQueue {
public:
    // Told the size of every committed batch; called on the writer thread.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void batchCommitted(std::size_t size) = 0;
    };

    // Other work waits for at most one heavy batch: at this size about a millisecond of the writer's
    // time, against four with 1 MiB.
    static constexpr std::size_t heavyBytes = std::size_t{256} * 1024;

    CommitQueue(std::unique_ptr<Store> store, Observer& observer);
    CommitQueue(const CommitQueue&) = delete;
    CommitQueue& operator=(const CommitQueue&) = delete;
    // Commits what is queued, then stops the writer thread.
    ~CommitQueue();

    // `work(Store&)` returns a StoreResult; the awaitable gives that result once committed. `bytes`
    // is about how much the work writes. Callers pass a named lambda: GCC 12 mishandles temporaries
    // that live across a co_await.
    template <class Work> auto submit(Work&& work, std::size_t bytes = 0)
    {
        using Queued = std::decay_t<Work>;
        using Result = std::invoke_result_t<Queued&, Store&>;
        return boost::asio::async_initiate<const boost::asio::use_awaitable_t<>, void(Result)>(
            [this, bytes](auto handler, Queued queuedWork) {
                auto job = std::make_unique<Job<Queued, decltype(handler)>>(std::move(queuedWork), std::move(handler));
                job->heavy = bytes >= heavyBytes;
                enqueue(std::move(job));
            },
            boost::asio::use_awaitable, std::forward<Work>(work));
    }

private:
    class PendingJob {
    public:
        virtual ~PendingJob() = default;
        bool heavy = false;
        virtual void run(Store& store) = 0;
        // Where the submitter resumes.
        virtual const boost::asio::any_io_executor& executor() const = 0;
        // Resumes the submitter with the result, or the commit's failure; called on executor().
        virtual void complete(const std::optional<StoreError>& commitFailure) = 0;
    };

    template <class Work, class Handler> class Job final : public PendingJob {
    public:
        Job(Work work, Handler handler)
            : m_work(std::move(work)), m_handler(std::move(handler)),
              m_executor(boost::asio::get_associated_executor(m_handler)), m_guard(m_executor)
        {
        }

        void run(Store& store) override { m_result = m_work(store); }

        const boost::asio::any_io_executor& executor() const override { return m_executor; }

        void complete(const std::optional<StoreError>& commitFailure) override
        {
            if (commitFailure) {
                m_result = std::unexpected(*commitFailure);
            }
            std::move(m_handler)(std::move(m_result));
        }

    private:
        using Result = std::invoke_result_t<Work&, Store&>;

        Work m_work;
        Handler m_handler;
        boost::asio::any_io_executor m_executor;
        // Keeps the submitter's executor running while the work is pending.
        boost::asio::executor_work_guard<boost::asio::any_io_executor> m_guard;
        // Until run() replaces it: what a job that never ran reports.
        Result m_result = std::unexpected(StoreError{"the work was not run"});
    };

    using Batch = std::vector<std::unique_ptr<PendingJob>>;

    void enqueue(std::unique_ptr<PendingJob> job);
    void writeBatches();
    // Moves the next batch out of the queued jobs: every light one, or the oldest heavy one when the
    // last batch was light or no light one waits.
    Batch nextBatch();
    // Posts one handler per executor that resumes that executor's submitters and destroys their jobs.
    static void resume(Batch batch, const std::optional<StoreError>& commitFailure);

    std::unique_ptr<Store> m_store;
    Observer& m_observer;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    Batch m_queued;
    // A wake-up is posted and has not run yet.
    bool m_wakePosted = false;
    // The last batch taken was of light jobs.
    bool m_lightTaken = false;
    bool m_stopping = false;
    std::thread m_writer;
};

} // namespace corvane::relay
