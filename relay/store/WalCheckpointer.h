#pragma once

#include "store/SqliteConnection.h"
#include "store/StoreResult.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace corvane::relay {

// Checkpoints a database's WAL on a connection and thread of its own, so that the writer, whose
// connection observes its WAL through this, never copies pages into the database file inside a
// commit. Once a commit leaves passiveFrames or more in the WAL, a passive checkpoint copies what no
// reader still needs; the writer starts the WAL over when everything is copied and no reader uses it.
// Readers that always keep it in use would let it grow without end: once it holds truncateFrames more
// than when it was last emptied, a truncating checkpoint waits up to truncateWait for them (blocking
// the writer meanwhile) and empties it, or is tried again after another truncateFrames.
class WalCheckpointer final : public SqliteConnection::WalObserver {
public:
    static constexpr int passiveFrames = 1000;
    static constexpr int truncateFrames = 10000;
    static constexpr std::chrono::milliseconds truncateWait{250};

    static StoreResult<std::unique_ptr<WalCheckpointer>> open(const std::string& path);

    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;
    // Lets a checkpoint under way finish, then stops the thread.
    ~WalCheckpointer() override;

    void walCommitted(int frames) override;

private:
    explicit WalCheckpointer(SqliteConnection connection);

    void checkpointWhenGrown();

    SqliteConnection m_connection;
    std::mutex m_mutex;
    std::condition_variable m_grown;
    // The WAL's size after the last commit not yet acted on; 0 when there is none.
    int m_frames = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace corvane::relay
