#pragma once

#include "http/RequestHandler.h"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <cstdint>
#include <expected>
#include <string>
#include <unordered_set>

namespace corvane::relay {

struct HttpLimits {
    std::uint32_t maxHeaderBytes = 16 * 1024;
    std::uint32_t maxHeaderCount = 100;
    std::uint64_t maxBodyBytes = std::uint64_t{10} * 1024 * 1024;
    std::chrono::seconds headerTimeout{10};
    std::chrono::seconds bodyTimeout{60};
    std::chrono::seconds idleTimeout{30};
    // Connections served at once; the ones beyond are answered 503 and closed.
    std::uint32_t maxConnections = 1000;
};

// HTTP/1.1 server on one io_context: keep-alive, size limits answered with 413 and 431, timeouts for
// slow clients, a cap on connections answered with 503, gzip for clients that accept it, and a
// lingering close after a refusal so the client reads the refusal instead of a reset.
class HttpServer {
public:
    HttpServer(boost::asio::io_context& context, RequestHandler& handler, HttpLimits limits);

    std::expected<boost::asio::ip::tcp::endpoint, std::string> listen(const boost::asio::ip::tcp::endpoint& endpoint);
    void start();
    // Stops accepting and closes idle connections; requests in flight are answered, then their
    // connections close.
    void stop();

private:
    struct Connection;

    boost::asio::awaitable<void> acceptConnections();
    boost::asio::awaitable<void> serve(boost::asio::ip::tcp::socket socket);
    // Answers a connection beyond the cap with 503 at once, without reading its request, and closes it.
    boost::asio::awaitable<void> turnAway(boost::asio::ip::tcp::socket socket);
    // Puts the connection under deadline checks; untrack() takes it off again.
    void track(Connection& connection);
    void untrack(Connection& connection);
    // Closes the connections whose deadline passed, a few times a second while there are any.
    boost::asio::awaitable<void> closeExpired();

    boost::asio::io_context& m_context;
    RequestHandler& m_handler;
    HttpLimits m_limits;
    boost::asio::ip::tcp::acceptor m_acceptor;
    std::unordered_set<Connection*> m_connections;
    // Connections being served, the ones being turned away not included.
    std::size_t m_serving = 0;
    bool m_sweeping = false;
    bool m_stopping = false;
};

} // namespace corvane::relay
