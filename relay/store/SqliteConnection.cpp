#include "store/SqliteConnection.h"

#include <sqlite3.h>

#include <filesystem>

namespace corvane::relay {
namespace {

constexpr int busyTimeoutMilliseconds = 5000;

int tellWalObserver(void* observer, sqlite3* /*database*/, const char* /*schema*/, int frames)
{
    static_cast<SqliteConnection::WalObserver*>(observer)->walCommitted(frames);
    return SQLITE_OK;
}

} // namespace

void SqliteConnection::DatabaseCloser::operator()(sqlite3* database) const
{
    sqlite3_close_v2(database);
}

void SqliteConnection::StatementFinalizer::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

SqliteConnection::SqliteConnection(sqlite3* database) : m_database(database)
{
}

StoreResult<SqliteConnection> SqliteConnection::open(const std::string& path)
{
    const auto folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
    sqlite3* handle = nullptr;
    const int result = sqlite3_open_v2(
        path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    SqliteConnection connection(handle);
    if (result != SQLITE_OK) {
        return std::unexpected(StoreError{"cannot open " + path + ": "
            + (handle ? std::string(sqlite3_errmsg(handle)) : std::string(sqlite3_errstr(result)))});
    }
    sqlite3_busy_timeout(handle, busyTimeoutMilliseconds);
    sqlite3_extended_result_codes(handle, 1);
    auto configured = connection.execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;"
                                         "PRAGMA foreign_keys = ON; PRAGMA temp_store = MEMORY;");
    if (!configured) {
        return std::unexpected(StoreError{"cannot configure " + path + ": " + configured.error().message});
    }
    return connection;
}

StoreResult<SqliteStatement> SqliteConnection::prepare(const char* sql)
{
    auto cached = m_statements.find(sql);
    if (cached == m_statements.end()) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(m_database.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
            != SQLITE_OK) {
            return std::unexpected(StoreError{sqlite3_errmsg(m_database.get())});
        }
        cached = m_statements.emplace(sql, statement).first;
    }
    return SqliteStatement(cached->second.get());
}

StoreResult<void> SqliteConnection::execute(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_database.get(), sql, nullptr, nullptr, &message) != SQLITE_OK) {
        StoreError error{message ? message : sqlite3_errmsg(m_database.get())};
        sqlite3_free(message);
        return std::unexpected(std::move(error));
    }
    return {};
}

StoreResult<void> SqliteConnection::observeWal(WalObserver& observer)
{
    // The pragma replaces any WAL hook, so it comes first.
    if (auto stopped = execute("PRAGMA wal_autocheckpoint = 0"); !stopped) {
        return stopped;
    }
    sqlite3_wal_hook(m_database.get(), tellWalObserver, &observer);
    return {};
}

StoreResult<SqliteConnection::WalFrames> SqliteConnection::checkpoint(int mode)
{
    WalFrames frames;
    if (sqlite3_wal_checkpoint_v2(m_database.get(), nullptr, mode, &frames.logged, &frames.checkpointed) != SQLITE_OK) {
        return std::unexpected(StoreError{sqlite3_errmsg(m_database.get())});
    }
    return frames;
}

void SqliteConnection::setBusyTimeout(std::chrono::milliseconds timeout)
{
    sqlite3_busy_timeout(m_database.get(), static_cast<int>(timeout.count()));
}

} // namespace corvane::relay
