#include "store/PostgresConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <array>
#include <string>

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

PostgresConnection::PostgresConnection(pg_conn* connection, std::chrono::milliseconds reconnectWait)
    : m_connection(connection), m_reconnectWait(reconnectWait), m_lastAttempt(std::chrono::steady_clock::now())
{
}

StoreResult<PostgresConnection> PostgresConnection::open(
    const std::string& database, std::chrono::milliseconds reconnectWait)
{
    // Settings before the database's own are defaults it may override: over TCP, a peer that went
    // silent (a partition, not a refusal) ends a call within seconds rather than when the kernel
    // gives up. Settings after it override it: the connect timeout, and the encoding the relay's
    // text is in.
    const auto timeout = std::to_string(connectTimeout.count());
    const std::array<const char*, 9> keywords{"keepalives_idle", "keepalives_interval", "keepalives_count",
        "tcp_user_timeout", "dbname", "connect_timeout", "client_encoding", "application_name", nullptr};
    const std::array<const char*, 9> values{
        "5", "2", "3", "10000", database.c_str(), timeout.c_str(), "UTF8", "corvane-relay", nullptr};
    PostgresConnection connection(PQconnectdbParams(keywords.data(), values.data(), 1), reconnectWait);
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
    const auto now = std::chrono::steady_clock::now();
    if (m_reconnecting) {
        return reconnect(now);
    }
    if (PQstatus(m_connection.get()) == CONNECTION_OK) {
        return {};
    }
    if (now - m_lastAttempt < reconnectInterval) {
        return std::unexpected(failure("the PostgreSQL connection is down"));
    }
    m_lastAttempt = now;
    if (PQresetStart(m_connection.get()) == 0) {
        return std::unexpected(failure("cannot reconnect to PostgreSQL"));
    }
    // libpq's asynchronous connection starts as if the last poll had asked to write.
    m_reconnecting = PGRES_POLLING_WRITING;
    return reconnect(now + m_reconnectWait);
}

StoreResult<void> PostgresConnection::reconnect(std::chrono::steady_clock::time_point deadline)
{
    deadline = std::min(deadline, m_lastAttempt + connectTimeout);
    for (;;) {
        const int polling = m_reconnecting.value_or(PGRES_POLLING_FAILED);
        if (polling == PGRES_POLLING_OK) {
            m_reconnecting.reset();
            m_prepared.clear();
            return {};
        }
        if (polling == PGRES_POLLING_FAILED) {
            m_reconnecting.reset();
            return std::unexpected(failure("cannot reconnect to PostgreSQL"));
        }
        // libpq's polling may only go on once the socket is ready for what it waits for.
        pollfd socket{
            PQsocket(m_connection.get()), static_cast<short>(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(&socket, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready < 0) {
            m_reconnecting.reset();
            return std::unexpected(StoreError{"cannot reconnect to PostgreSQL: polling its socket failed"});
        }
        if (ready == 0) {
            if (std::chrono::steady_clock::now() >= m_lastAttempt + connectTimeout) {
                m_reconnecting.reset();
                return std::unexpected(StoreError{"cannot reconnect to PostgreSQL: timeout expired"});
            }
            return std::unexpected(StoreError{"reconnecting to PostgreSQL"});
        }
        m_reconnecting = PQresetPoll(m_connection.get());
    }
}

StoreResult<const std::string*> PostgresConnection::prepared(const char* sql, const PostgresParameters& parameters)
{
    if (const auto found = m_prepared.find(sql); found != m_prepared.end()) {
        return &found->second;
    }
    auto name = "corvane_" + std::to_string(m_prepared.size());
    const PostgresResult result(
        PQprepare(m_connection.get(), name.c_str(), sql, parameters.count(), parameters.types()));
    if (!result.succeeded()) {
        return std::unexpected(StoreError{trimmed(result.errorMessage(PQerrorMessage(m_connection.get())))});
    }
    return &m_prepared.emplace(sql, std::move(name)).first->second;
}

StoreResult<PostgresResult> PostgresConnection::run(const char* sql, const PostgresParameters& parameters)
{
    const auto name = prepared(sql, parameters);
    if (!name) {
        return std::unexpected(name.error());
    }
    PostgresResult result(PQexecPrepared(m_connection.get(), (*name)->c_str(), parameters.count(), parameters.values(),
        parameters.lengths(), parameters.formats(), 1));
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
