#pragma once

#include "store/PostgresParameters.h"
#include "store/PostgresResult.h"
#include "store/StoreResult.h"

#include <chrono>
#include <memory>
#include <string>

struct pg_conn;

namespace corvane::relay {

// One connection to a PostgreSQL database, named by any libpq connection string or URI. A call that
// finds the connection broken opens it again first, but no more than once a second: while the
// database is away, calls fail at once instead of each waiting for a connection attempt.
class PostgresConnection {
public:
    static StoreResult<PostgresConnection> open(const std::string& database);

    // Runs one statement with its values as parameters. A statement outside a transaction that failed
    // because the connection broke is run once more on a new one.
    StoreResult<PostgresResult> query(const char* sql, const PostgresParameters& parameters = {});
    // Runs one or more statements without parameters or results.
    StoreResult<void> execute(const char* sql);
    // Whether the open transaction has failed and can only be rolled back.
    bool failedTransaction() const;

private:
    struct Closer {
        void operator()(pg_conn* connection) const;
    };

    explicit PostgresConnection(pg_conn* connection);

    // Reconnects a broken connection unless an attempt was made in the last second.
    StoreResult<void> usable();
    StoreResult<PostgresResult> run(const char* sql, const PostgresParameters& parameters);
    StoreError failure(std::string_view what) const;

    std::unique_ptr<pg_conn, Closer> m_connection;
    std::chrono::steady_clock::time_point m_lastAttempt;
};

} // namespace corvane::relay
