#pragma once

#include "http/HttpLimits.h"

#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace corvane::relay {

// The client connections a server holds, counted against its caps. Used on the I/O thread only.
class ConnectionTable {
public:
    enum class Role { serving, refusing, holding, gone };
    struct Connection;

    explicit ConnectionTable(const HttpLimits& limits);

    // Whether one more connection from `client` may be served. At a cap, the connection that has
    // waited longest for its first head (of that client, when its own cap is reached) is closed to
    // make room; false when there is none.
    bool roomFor(const std::string& client);
    bool canRefuse() const;
    const std::unordered_set<Connection*>& connections() const { return m_connections; }

    // The address whose connections count together: an IPv6 client by its /64 prefix, which one
    // host usually holds whole.
    static std::string clientOf(const boost::asio::ip::tcp::endpoint& remote);

private:
    std::uint32_t m_maxServing;
    std::uint32_t m_maxPerClient;
    std::uint32_t m_maxRefusing;
    std::unordered_set<Connection*> m_connections;
    std::size_t m_serving = 0;
    std::size_t m_refusing = 0;
    std::unordered_map<std::string, std::uint32_t> m_servingPerClient;
};

// One client connection, counted in its table from its construction to its destruction, which
// closes it. Its deadline is checked by the server's sweep.
struct ConnectionTable::Connection {
    Connection(ConnectionTable& owner, boost::asio::ip::tcp::socket connected, std::string clientKey,
        Role connectionRole, std::chrono::steady_clock::duration firstDeadline);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Gives up its place in the caps (once).
    void leave();
    // A serving connection whose request waits for something else leaves the caps while it waits,
    // and takes its place again after, when there is room for it; false when there is none.
    void hold();
    bool resume();

    ConnectionTable& table;
    boost::asio::ip::tcp::socket socket;
    std::string client;
    std::string remoteAddress;
    Role role;
    std::chrono::steady_clock::time_point accepted = std::chrono::steady_clock::now();
    // The connection is closed once this passes; never while its request is being handled.
    std::chrono::steady_clock::time_point deadline;
    // Waiting for the next request: stopping the server closes it.
    bool idle = false;
    // No head read on it yet: at a cap, such connections make room first.
    bool awaitingFirstHead = true;
    // Part of a response may have been written: a failure can no longer be answered.
    bool responding = false;
    // The head of each response, kept for the next.
    std::string head;
};

} // namespace corvane::relay
