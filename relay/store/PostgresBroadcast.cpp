#include "store/PostgresBroadcast.h"

#include "store/ChangeMessage.h"

#include <boost/asio/post.hpp>

#include <libpq-fe.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <system_error>

namespace corvane::relay {
namespace {

constexpr std::chrono::milliseconds reconnectDelay{1000};
// How long the thread may take to notice that it is to stop.
constexpr std::chrono::milliseconds longestWait{250};

// libpq's message on one line: its lines (the later ones indented with a tab) joined by spaces.
std::string errorOf(const pg_conn* postgres)
{
    std::string text;
    for (const char* c = postgres ? PQerrorMessage(postgres) : "out of memory"; *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\t') {
            if (!text.empty() && text.back() != ' ') {
                text += ' ';
            }
        } else {
            text += *c;
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

} // namespace

PostgresBroadcast::PostgresBroadcast(std::string connection, boost::asio::any_io_executor executor)
    : m_connection(std::move(connection)), m_executor(std::move(executor)),
      m_wakeup(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeup < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

PostgresBroadcast::~PostgresBroadcast()
{
    if (m_thread.joinable()) {
        m_stopped = true;
        wake();
        m_thread.join();
    }
    close(m_wakeup);
}

void PostgresBroadcast::start(ChangeReceiver& receiver)
{
    m_receiver = &receiver;
    m_thread = std::thread([this] { run(); });
}

void PostgresBroadcast::accountMoved(const std::string& accountId, std::uint64_t version)
{
    std::unique_lock lock(m_mutex);
    const bool first = m_pending.empty();
    auto& highest = m_pending.accounts[accountId];
    highest = std::max(highest, version);
    lock.unlock();
    if (first) {
        wake();
    }
}

void PostgresBroadcast::everyAccountMoved(std::uint64_t version)
{
    std::unique_lock lock(m_mutex);
    m_pending.everyAccount = std::max(m_pending.everyAccount.value_or(0), version);
    lock.unlock();
    wake();
}

void PostgresBroadcast::listenersChanged()
{
    std::unique_lock lock(m_mutex);
    m_pending.listeners = true;
    lock.unlock();
    wake();
}

void PostgresBroadcast::run()
{
    bool connectedBefore = false;
    while (!m_stopped) {
        if (m_postgres == nullptr) {
            if (!connect()) {
                wait(reconnectDelay);
                continue;
            }
            if (connectedBefore) {
                // Whatever waited to be sent is covered by what the receiver announces now.
                std::unique_lock lock(m_mutex);
                m_pending = ChangeBatch{};
                lock.unlock();
                boost::asio::post(m_executor, [receiver = m_receiver] { receiver->missed(); });
            }
            connectedBefore = true;
        }
        // Sending may read notifications into libpq's buffer, where the socket no longer shows them.
        if (!send() || !receive()) {
            disconnect();
            continue;
        }
        wait(longestWait);
    }
    disconnect();
}

bool PostgresBroadcast::connect()
{
    // Keepalives notice a peer that vanished while nothing is sent; the URI's own settings win.
    static constexpr std::array keywords{"connect_timeout", "keepalives_idle", "keepalives_interval",
        "keepalives_count", "application_name", "dbname", static_cast<const char*>(nullptr)};
    const std::array values{
        "2", "30", "10", "3", "corvane-relay changes", m_connection.c_str(), static_cast<const char*>(nullptr)};
    m_postgres = PQconnectdbParams(keywords.data(), values.data(), 1);
    bool listening = PQstatus(m_postgres) == CONNECTION_OK;
    if (listening) {
        PGresult* result = PQexec(m_postgres, (std::string("LISTEN ") + channel).c_str());
        listening = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
    }
    if (!listening) {
        if (!m_reportedFailure) {
            std::fprintf(
                stderr, "changes: cannot listen for other instances' changes: %s\n", errorOf(m_postgres).c_str());
            m_reportedFailure = true;
        }
        disconnect();
        return false;
    }
    if (m_reportedFailure) {
        std::fputs("changes: listening for other instances' changes again\n", stderr);
        m_reportedFailure = false;
    }
    return true;
}

void PostgresBroadcast::disconnect()
{
    if (m_postgres != nullptr) {
        PQfinish(m_postgres);
        m_postgres = nullptr;
    }
}

bool PostgresBroadcast::receive()
{
    if (PQconsumeInput(m_postgres) == 0) {
        std::fprintf(stderr, "changes: lost the connection: %s\n", errorOf(m_postgres).c_str());
        m_reportedFailure = true;
        return false;
    }
    while (PGnotify* notification = PQnotifies(m_postgres)) {
        auto batch = ChangeMessage::decode(notification->extra);
        PQfreemem(notification);
        if (!batch) {
            std::fprintf(stderr, "changes: ignored a malformed announcement: %s\n", batch.error().c_str());
            continue;
        }
        boost::asio::post(
            m_executor, [receiver = m_receiver, batch = *std::move(batch)] { receiver->received(batch); });
    }
    return true;
}

bool PostgresBroadcast::send()
{
    std::unique_lock lock(m_mutex);
    const ChangeBatch batch = std::exchange(m_pending, ChangeBatch{});
    lock.unlock();
    for (const auto& message : ChangeMessage::encode(batch)) {
        const std::array parameters{channel, message.c_str()};
        PGresult* result = PQexecParams(m_postgres, "SELECT pg_notify($1, $2)", int(parameters.size()), nullptr,
            parameters.data(), nullptr, nullptr, 0);
        const bool sent = PQresultStatus(result) == PGRES_TUPLES_OK;
        PQclear(result);
        if (!sent) {
            std::fprintf(stderr, "changes: cannot announce a change: %s\n", errorOf(m_postgres).c_str());
            m_reportedFailure = true;
            return false;
        }
    }
    return true;
}

void PostgresBroadcast::wake()
{
    const std::uint64_t one = 1;
    // A full counter still wakes the thread; nothing else can go wrong with an eventfd.
    [[maybe_unused]] const auto written = write(m_wakeup, &one, sizeof one);
}

void PostgresBroadcast::wait(std::chrono::milliseconds timeout)
{
    std::array<pollfd, 2> watched{};
    watched[0] = {.fd = m_wakeup, .events = POLLIN, .revents = 0};
    watched[1] = {.fd = m_postgres != nullptr ? PQsocket(m_postgres) : -1, .events = POLLIN, .revents = 0};
    // Negative descriptors are skipped by poll.
    if (poll(watched.data(), watched.size(), int(timeout.count())) > 0 && (watched[0].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto read = ::read(m_wakeup, &count, sizeof count);
    }
}

} // namespace corvane::relay
