#pragma once

#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <type_traits>

namespace corvane::relay {

// One thread for the work too heavy for the I/O thread: checking and encoding large bodies, reading
// and encoding large answers. Jobs run one at a time, in the order they were handed over.
class WorkerThread {
public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // Finishes the jobs handed over, then stops the thread.
    ~WorkerThread();

    // Runs `work()` on the worker thread, where `work` is also destroyed; the awaitable resumes on the
    // caller's executor with its result (which must be default-constructible), or rethrows what it
    // threw. Callers pass a named lambda: GCC 12 mishandles temporaries that live across a co_await.
    template <class Work> boost::asio::awaitable<std::invoke_result_t<Work&>> run(Work work)
    {
        using Result = std::invoke_result_t<Work&>;
        auto job = [work = std::move(work)]() mutable -> boost::asio::awaitable<Result> { co_return work(); };
        auto spawned = boost::asio::co_spawn(m_pool.get_executor(), std::move(job), boost::asio::use_awaitable);
        co_return co_await std::move(spawned);
    }

private:
    boost::asio::thread_pool m_pool{1};
};

} // namespace corvane::relay
