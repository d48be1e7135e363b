#pragma once

#include "store/ChangeBatch.h"
#include "store/ChangeBroadcast.h"
#include "store/ChangeReceiver.h"

#include <boost/asio/any_io_executor.hpp>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

struct pg_conn;

namespace corvane::relay {

// Announcements between the relay instances on one PostgreSQL database: NOTIFY and LISTEN on one
// channel, over a connection of its own served by a thread of its own. What the I/O thread announces
// is gathered and sent as one batch (its accounts only with their highest version) as soon as the
// previous batch is out; what arrives, this instance's own announcements too, is handed to the
// receiver on the executor. A malformed message is logged and ignored. When the connection breaks,
// it is made again (every second at most) and the receiver is told that announcements may have been
// missed.
class PostgresBroadcast final : public ChangeBroadcast {
public:
    static constexpr const char* channel = "corvane_relay_changes";

    // `connection` is a libpq connection string or URI.
    PostgresBroadcast(std::string connection, boost::asio::any_io_executor executor);
    PostgresBroadcast(const PostgresBroadcast&) = delete;
    PostgresBroadcast& operator=(const PostgresBroadcast&) = delete;
    // Stops the thread; whatever was not sent yet is dropped.
    ~PostgresBroadcast() override;

    // Starts the thread, which connects, listens and hands what arrives to `receiver`.
    void start(ChangeReceiver& receiver);

    void accountMoved(const std::string& accountId, std::uint64_t version) override;
    void everyAccountMoved(std::uint64_t version) override;
    void listenersChanged() override;

private:
    void run();
    // Connects and listens; false, logged once per outage, when that failed.
    bool connect();
    void disconnect();
    // Takes the arrived notifications; false when the connection broke.
    bool receive();
    // Sends what was gathered; false when the connection broke.
    bool send();
    void wake();
    // Waits for the connection's socket (when there is one), a wake-up or the timeout.
    void wait(std::chrono::milliseconds timeout);

    std::string m_connection;
    boost::asio::any_io_executor m_executor;
    ChangeReceiver* m_receiver = nullptr;
    pg_conn* m_postgres = nullptr;
    bool m_reportedFailure = false;
    int m_wakeup = -1;
    std::mutex m_mutex;
    ChangeBatch m_pending;
    std::atomic<bool> m_stopped{false};
    std::thread m_thread;
};

} // namespace corvane::relay
