#pragma once

#include "store/SqliteStatement.h"
#include "store/StoreResult.h"

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
    // Creates the file (and its folder) when missing.
    static StoreResult<SqliteConnection> open(const std::string& path);

    StoreResult<SqliteStatement> prepare(const char* sql);
    // Runs one or more statements without results.
    StoreResult<void> execute(const char* sql);

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
