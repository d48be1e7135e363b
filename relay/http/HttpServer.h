#pragma once

#include "http/BufferBudget.h"
#include "http/ConnectionTable.h"
#include "http/HttpLimits.h"
#include "http/RequestHandler.h"
#include "http/RequestParser.h"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>

#include <array>
#include <expected>
#include <string>

namespace corvane::relay {

// HTTP/1.1 server on one io_context: keep-alive, size limits answered with 413 and 431, requests
// refused on their head before their body is read, a cap on the bytes all bodies hold, timeouts for
// slow clients, caps on connections in all and per client answered with 503, gzip for clients that
// accept it, and a lingering close after a refusal so the client reads the refusal instead of a reset.
class HttpServer {
public:
    HttpServer(boost::asio::io_context& context, RequestHandler& handler, HttpLimits limits);
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;
    ~HttpServer();

    std::expected<boost::asio::ip::tcp::endpoint, std::string> listen(const boost::asio::ip::tcp::endpoint& endpoint);
    void start();
    // Stops accepting and closes idle connections; requests in flight are answered, then their
    // connections close.
    void stop();

private:
    using Connection = ConnectionTable::Connection;
    using Role = ConnectionTable::Role;
    // What answering a request needs to know about it once its handler has it.
    struct Exchange {
        std::string method;
        bool gzip = false;
        bool headOnly = false;
        bool keepAlive = false;
        std::chrono::steady_clock::time_point started;
    };

    boost::asio::awaitable<void> acceptConnections();
    boost::asio::awaitable<void> serve(boost::asio::ip::tcp::socket socket, std::string client);
    // Reads one request on `connection` and answers it; false when the connection is to close.
    boost::asio::awaitable<bool> exchange(Connection& connection, boost::beast::flat_buffer& buffer);
    // Reads and parses until the head is read, or with a share of the buffer budget until the whole
    // request is: true when it was, false when the connection ended quietly, or why it is refused.
    boost::asio::awaitable<std::expected<bool, Refusal>> readUntil(
        Connection& connection, boost::beast::flat_buffer& buffer, RequestParser& parser, BufferBudget::Share* share);
    // Writes the response; true when the connection stays open for the next request.
    boost::asio::awaitable<bool> respond(Connection& connection, HttpResponse response, const Exchange& exchange);
    // Writes a refusal, closes the connection gracefully and reports it.
    boost::asio::awaitable<void> refuse(Connection& connection, HttpResponse response, std::string method,
        std::chrono::steady_clock::time_point started);
    // Answers a connection beyond the caps with 503 at once, without reading its request, and closes it.
    boost::asio::awaitable<void> turnAway(boost::asio::ip::tcp::socket socket);
    // The same without draining what the client still sends, when too many are being turned away.
    void shed(boost::asio::ip::tcp::socket& socket);
    // Half-closes, then reads and drops what the client still sends, for a bounded time and amount, so
    // that closing does not reset the connection before the client has read the response.
    boost::asio::awaitable<void> lingeringClose(Connection& connection);
    // Ends when the client closes the connection (or stop() cancels it); never for a client that
    // sends more, which is read once the request in hand is answered.
    boost::asio::awaitable<void> untilClosed(Connection& connection);
    // Starts closeExpired() unless it runs.
    void sweep();
    // Closes the connections whose deadline passed, a few times a second while there are any.
    boost::asio::awaitable<void> closeExpired();

    boost::asio::io_context& m_context;
    RequestHandler& m_handler;
    HttpLimits m_limits;
    BufferBudget m_budget;
    ConnectionTable m_table;
    boost::asio::ip::tcp::acceptor m_acceptor;
    // Opened on /dev/null and given up when accepting runs out of descriptors, to shed one connection.
    int m_spareDescriptor = -1;
    // Where lingering closes drop what they read; the bytes are never looked at.
    std::array<char, 16384> m_discarded{};
    bool m_sweeping = false;
    bool m_stopping = false;
};

} // namespace corvane::relay
