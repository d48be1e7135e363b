#pragma once

#include "store/SqliteStatement.h"
#include "store/StoreResult.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace corvane::relay {

// One open SQLite database in WAL mode with foreign keys on, and a cache of its prepared statements
// keyed by their SQL text.
class SqliteConnection {
public:
    // Told of every commit on a connection that observes its WAL; called on the committing thread.
    class WalObserver {
    public:
        virtual ~WalObserver() = default;
        // `frames`: how many frames the WAL holds after the commit.
        virtual void walCommitted(int frames) = 0;
    };

    // What a checkpoint left: the frames in the WAL, and how many of them are in the database file.
    struct WalFrames {
        int logged = 0;
        int checkpointed = 0;
    };

    // Creates the file (and its folder) when missing.
    static StoreResult<SqliteConnection> open(const std::string& path);

    StoreResult<SqliteStatement> prepare(const char* sql);
    // Runs one or more statements without results.
    StoreResult<void> execute(const char* sql);

    // Turns automatic checkpoints off on this connection and tells `observer` of each commit instead.
    StoreResult<void> observeWal(WalObserver& observer);
    // Runs sqlite3_wal_checkpoint_v2 with `mode` (SQLITE_CHECKPOINT_*). A mode that waits for readers or
    // the writer fails when they are still busy after the busy timeout.
    StoreResult<WalFrames> checkpoint(int mode);
    void setBusyTimeout(std::chrono::milliseconds timeout);

private:
    struct DatabaseCloser {
        void operator()(sqlite3* database) const;
    };
    struct StatementFinalizer {
        void operator()(sqlite3_stmt* statement) const;
    };

    explicit SqliteConnection(sqlite3* database);

    std::unique_ptr<sqlite3, DatabaseCloser> m_database;
    std::map<const char*, std::unique_ptr<sqlite3_stmt, StatementFinalizer>> m_statements;
};

} // namespace corvane::relay
