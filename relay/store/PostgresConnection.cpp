#include "store/PostgresConnection.h"

#include <libpq-fe.h>

#include <array>

namespace corvane::relay {
namespace {

constexpr auto reconnectInterval = std::chrono::seconds(1);

// Notices (such as a migration's "already exists, skipping") are not failures; libpq would print them.
void ignoreNotice(void* /*argument*/, const char* /*message*/)
{
}

std::string trimmed(std::string message)
{
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

} // namespace

void PostgresConnection::Closer::operator()(pg_conn* connection) const
{
    PQfinish(connection);
}

PostgresConnection::PostgresConnection(pg_conn* connection)
    : m_connection(connection), m_lastAttempt(std::chrono::steady_clock::now())
{
}

StoreResult<PostgresConnection> PostgresConnection::open(const std::string& database)
{
    // Settings after the database's own override it: a short connect timeout (libpq's shortest), so
    // that an unreachable server fails a call within seconds, and the encoding the relay's text is in.
    const std::array<const char*, 5> keywords{
        "dbname", "connect_timeout", "client_encoding", "application_name", nullptr};
    const std::array<const char*, 5> values{database.c_str(), "2", "UTF8", "corvane-relay", nullptr};
    PostgresConnection connection(PQconnectdbParams(keywords.data(), values.data(), 1));
    if (!connection.m_connection) {
        return std::unexpected(StoreError{"cannot connect to PostgreSQL: out of memory"});
    }
    if (PQstatus(connection.m_connection.get()) != CONNECTION_OK) {
        return std::unexpected(connection.failure("cannot connect to PostgreSQL"));
    }
    PQsetNoticeProcessor(connection.m_connection.get(), ignoreNotice, nullptr);
    return connection;
}

StoreError PostgresConnection::failure(std::string_view what) const
{
    return StoreError{std::string(what) + ": " + trimmed(PQerrorMessage(m_connection.get()))};
}

StoreResult<void> PostgresConnection::usable()
{
    if (PQstatus(m_connection.get()) == CONNECTION_OK) {
        return {};
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastAttempt < reconnectInterval) {
        return std::unexpected(failure("the PostgreSQL connection is down"));
    }
    m_lastAttempt = now;
    PQreset(m_connection.get());
    if (PQstatus(m_connection.get()) != CONNECTION_OK) {
        return std::unexpected(failure("cannot reconnect to PostgreSQL"));
    }
    return {};
}

StoreResult<PostgresResult> PostgresConnection::run(const char* sql, const PostgresParameters& parameters)
{
    PostgresResult result(PQexecParams(m_connection.get(), sql, parameters.count(), parameters.types(),
        parameters.values(), parameters.lengths(), parameters.formats(), 1));
    if (!result.succeeded()) {
        return std::unexpected(StoreError{trimmed(result.errorMessage(PQerrorMessage(m_connection.get())))});
    }
    return result;
}

StoreResult<PostgresResult> PostgresConnection::query(const char* sql, const PostgresParameters& parameters)
{
    if (auto ready = usable(); !ready) {
        return std::unexpected(ready.error());
    }
    const bool outsideTransaction = PQtransactionStatus(m_connection.get()) == PQTRANS_IDLE;
    auto result = run(sql, parameters);
    // The connection broke, as when the server restarted while it rested. Outside a transaction this
    // store runs only reads and writes that may run twice.
    if (!result && outsideTransaction && PQstatus(m_connection.get()) == CONNECTION_BAD && usable()) {
        result = run(sql, parameters);
    }
    return result;
}

StoreResult<void> PostgresConnection::execute(const char* sql)
{
    if (auto ready = usable(); !ready) {
        return ready;
    }
    PostgresResult result(PQexec(m_connection.get(), sql));
    if (!result.succeeded()) {
        return std::unexpected(StoreError{trimmed(result.errorMessage(PQerrorMessage(m_connection.get())))});
    }
    return {};
}

bool PostgresConnection::failedTransaction() const
{
    return PQtransactionStatus(m_connection.get()) == PQTRANS_INERROR;
}

} // namespace corvane::relay
