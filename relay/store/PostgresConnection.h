#pragma once

#include "store/PostgresParameters.h"
#include "store/PostgresResult.h"
#include "store/StoreResult.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

struct pg_conn;

namespace corvane::relay {

// One connection to a PostgreSQL database, named by any libpq connection string or URI. A call that
// finds the connection broken starts to open it again, but no more than once a second, and waits for
// that at most `reconnectWait`: an attempt that takes longer goes on while later calls look in on it
// without waiting, until it succeeds or the connect timeout ends it. While the database is away,
// calls fail at once instead of each waiting for a connection attempt.
class PostgresConnection {
public:
    // libpq's shortest connect timeout.
    static constexpr std::chrono::seconds connectTimeout{2};

    // Connects, waiting as long as it takes (up to the connect timeout).
    static StoreResult<PostgresConnection> open(const std::string& database, std::chrono::milliseconds reconnectWait);

    // Runs one statement with its values as parameters, prepared on the connection the first time its
    // text is run there (the server parses and plans it once). A statement outside a transaction that
    // failed because the connection broke is run once more on a new one.
    StoreResult<PostgresResult> query(const char* sql, const PostgresParameters& parameters = {});
    // Runs one or more statements without parameters or results.
    StoreResult<void> execute(const char* sql);
    // Whether the open transaction has failed and can only be rolled back.
    bool failedTransaction() const;

private:
    struct Closer {
        void operator()(pg_conn* connection) const;
    };

    PostgresConnection(pg_conn* connection, std::chrono::milliseconds reconnectWait);

    // Reconnects a broken connection unless an attempt was made in the last second, or goes on with
    // the attempt under way.
    StoreResult<void> usable();
    // Drives the attempt under way until it ends or `deadline` passes.
    StoreResult<void> reconnect(std::chrono::steady_clock::time_point deadline);
    StoreResult<PostgresResult> run(const char* sql, const PostgresParameters& parameters);
    StoreError failure(std::string_view what) const;
    // The name `sql` is prepared under on this connection, prepared now when it was not.
    StoreResult<const std::string*> prepared(const char* sql, const PostgresParameters& parameters);

    std::unique_ptr<pg_conn, Closer> m_connection;
    std::chrono::milliseconds m_reconnectWait;
    std::chrono::steady_clock::time_point m_lastAttempt;
    // While an attempt is under way: what libpq waits for next (a PostgresPollingStatusType).
    std::optional<int> m_reconnecting;
    // Statement texts to the names they are prepared under; a new connection starts without any.
    std::unordered_map<std::string, std::string> m_prepared;
};

} // namespace corvane::relay
