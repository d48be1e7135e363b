#include "store/WalCheckpointer.h"

#include <sqlite3.h>

#include <cstdio>
#include <utility>

namespace corvane::relay {

WalCheckpointer::WalCheckpointer(SqliteConnection connection)
    : m_connection(std::move(connection)), m_thread([this] { checkpointWhenGrown(); })
{
}

StoreResult<std::unique_ptr<WalCheckpointer>> WalCheckpointer::open(const std::string& path)
{
    auto connection = SqliteConnection::open(path);
    if (!connection) {
        return std::unexpected(connection.error());
    }
    connection->setBusyTimeout(truncateWait);
    return std::unique_ptr<WalCheckpointer>(new WalCheckpointer(*std::move(connection)));
}

WalCheckpointer::~WalCheckpointer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_grown.notify_one();
    m_thread.join();
}

void WalCheckpointer::walCommitted(int frames)
{
    {
        std::lock_guard lock(m_mutex);
        m_frames = frames;
    }
    if (frames >= passiveFrames) {
        m_grown.notify_one();
    }
}

void WalCheckpointer::checkpointWhenGrown()
{
    int truncateAt = truncateFrames;
    for (;;) {
        int frames = 0;
        {
            std::unique_lock lock(m_mutex);
            m_grown.wait(lock, [this] { return m_stopping || m_frames >= passiveFrames; });
            if (m_stopping) {
                return;
            }
            frames = std::exchange(m_frames, 0);
        }
        if (frames < truncateFrames) {
            truncateAt = truncateFrames;
        }
        const bool truncate = frames >= truncateAt;
        const auto done = m_connection.checkpoint(truncate ? SQLITE_CHECKPOINT_TRUNCATE : SQLITE_CHECKPOINT_PASSIVE);
        if (truncate) {
            truncateAt = done ? truncateFrames : frames + truncateFrames;
        }
        if (!done) {
            std::fprintf(
                stderr, "corvane-relay: WAL checkpoint at %d frames: %s\n", frames, done.error().message.c_str());
        }
    }
}

} // namespace corvane::relay
