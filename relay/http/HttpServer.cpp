#include "http/HttpServer.h"

#include "http/Gzip.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/buffer.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace corvane::relay {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using Parser = http::request_parser<http::string_body>;

constexpr auto tupled = asio::as_tuple(asio::use_awaitable);
constexpr std::size_t firstReadBytes = 4096;
constexpr std::size_t smallestRead = 512;
constexpr std::size_t largestRead = std::size_t{64} * 1024;
constexpr std::size_t gzipThreshold = 1024;
constexpr auto lingerTime = std::chrono::seconds(2);
constexpr std::size_t lingerBytes = std::size_t{64} * 1024 * 1024;
constexpr auto acceptRetryDelay = std::chrono::milliseconds(50);
// How often deadlines are checked: a slow client is closed at most this late.
constexpr auto sweepInterval = std::chrono::milliseconds(250);
constexpr std::string_view continueResponse = "HTTP/1.1 100 Continue\r\n\r\n";

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(result, result.begin(), [](unsigned char character) { return std::tolower(character); });
    return result;
}

HttpRequest converted(http::request<http::string_body>&& message, const std::string& remoteAddress)
{
    HttpRequest request;
    request.method = std::string(message.method_string());
    const std::string_view target = message.target();
    const auto question = target.find('?');
    request.path = std::string(target.substr(0, question));
    if (question != std::string_view::npos) {
        request.hasQuery = true;
        request.query = std::string(target.substr(question + 1));
    }
    request.headers.reserve(static_cast<std::size_t>(std::distance(message.begin(), message.end())));
    for (const auto& field : message) {
        request.headers.emplace_back(lowered(field.name_string()), std::string(field.value()));
    }
    request.body = std::move(message.body());
    request.remoteAddress = remoteAddress;
    return request;
}

void appendNumber(std::string& text, std::uint64_t number)
{
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.begin(), digits.end(), number);
    text.append(digits.data(), result.ptr);
}

// Writes the status line and header fields of `response` into `head`, compresses its body when the
// client accepts gzip, that pays and the route has not encoded it already, and gives what goes on the
// wire: the head, then the body unless the request was HEAD.
std::array<asio::const_buffer, 2> serialized(
    std::string& head, HttpResponse& response, bool keepAlive, bool gzip, bool headOnly)
{
    bool compressed = false;
    const bool encoded = std::ranges::any_of(
        response.headers, [](const auto& field) { return beast::iequals(field.first, "Content-Encoding"); });
    const bool varies = gzip && !encoded && response.body.size() >= gzipThreshold;
    if (varies) {
        if (auto packed = Gzip::compress(response.body)) {
            response.body = *std::move(packed);
            compressed = true;
        }
    }
    head.clear();
    head += "HTTP/1.1 ";
    appendNumber(head, response.status);
    head += ' ';
    head += http::obsolete_reason(static_cast<http::status>(response.status));
    head += "\r\n";
    const auto field = [&head](std::string_view name, std::string_view value) {
        // A line break would end the field early and let the rest pass for more fields.
        if (name.find_first_of("\r\n") != std::string_view::npos
            || value.find_first_of("\r\n") != std::string_view::npos) {
            return;
        }
        head += name;
        head += ": ";
        head += value;
        head += "\r\n";
    };
    if (!response.contentType.empty()) {
        field("Content-Type", response.contentType);
    }
    for (const auto& [name, value] : response.headers) {
        field(name, value);
    }
    if (compressed) {
        field("Content-Encoding", "gzip");
    }
    if (varies) {
        field("Vary", "Accept-Encoding");
    }
    if (!keepAlive) {
        field("Connection", "close");
    }
    head += "Content-Length: ";
    appendNumber(head, response.body.size());
    head += "\r\n\r\n";
    return {asio::buffer(head), headOnly ? asio::const_buffer() : asio::buffer(response.body)};
}

bool headerRead(const Parser& parser)
{
    return parser.is_header_done();
}

bool messageRead(const Parser& parser)
{
    return parser.is_done();
}

// Feeds `parser` the buffered bytes until `finished(parser)`; http::error::need_more when it needs
// bytes that have not arrived yet.
boost::system::error_code parseBuffered(Parser& parser, beast::flat_buffer& buffer, bool (*finished)(const Parser&))
{
    boost::system::error_code error;
    while (!finished(parser)) {
        if (buffer.size() == 0) {
            return http::error::need_more;
        }
        const auto used = parser.put(buffer.data(), error);
        buffer.consume(used);
        if (error) {
            return error;
        }
        if (used == 0 && !finished(parser)) {
            return http::error::need_more;
        }
    }
    return error;
}

// Reads and parses until `finished(parser)`. The end of the stream before any byte of the message
// is http::error::end_of_stream; after some, the parser judges whether the message is complete.
asio::awaitable<boost::system::error_code> readUntil(
    tcp::socket& socket, beast::flat_buffer& buffer, Parser& parser, bool (*finished)(const Parser&))
{
    for (;;) {
        auto error = parseBuffered(parser, buffer, finished);
        if (error != http::error::need_more) {
            co_return error;
        }
        const auto size = std::min(std::max(smallestRead, buffer.capacity() - buffer.size()), largestRead);
        const auto [readError, count] = co_await socket.async_read_some(buffer.prepare(size), tupled);
        if (readError == asio::error::eof) {
            if (!parser.got_some()) {
                co_return http::error::end_of_stream;
            }
            boost::system::error_code ended;
            parser.put_eof(ended);
            co_return ended;
        }
        if (readError) {
            co_return readError;
        }
        buffer.commit(count);
    }
}

// Half-closes, then reads and drops what the client still sends, for a bounded time and amount, so
// that closing does not reset the connection before the client has read the response.
asio::awaitable<void> lingeringClose(tcp::socket& socket, Clock::time_point& deadline)
{
    boost::system::error_code ignored;
    socket.shutdown(tcp::socket::shutdown_send, ignored);
    deadline = Clock::now() + lingerTime;
    std::array<char, 16384> sink{};
    std::size_t drained = 0;
    while (drained < lingerBytes) {
        const auto [error, count] = co_await socket.async_read_some(asio::buffer(sink), tupled);
        if (error) {
            break;
        }
        drained += count;
    }
    socket.close(ignored);
}

// How a request that cannot be read ends: these quietly close the connection, other errors are
// answered with 400.
bool endsQuietly(const boost::system::error_code& error)
{
    return error == http::error::end_of_stream || error == asio::error::operation_aborted || error == asio::error::eof
        || error == asio::error::connection_reset || error == asio::error::bad_descriptor;
}

} // namespace

// One client connection. Its deadline is checked by closeExpired(): each stage of an exchange
// (waiting for a request, reading it, writing the answer) moves it, so no timer is set per request.
struct HttpServer::Connection {
    explicit Connection(tcp::socket connected) : socket(std::move(connected)) { }

    tcp::socket socket;
    // The connection is closed once this passes; never while its request is being handled.
    Clock::time_point deadline = Clock::time_point::max();
    // Waiting for the next request: stopping the server closes it.
    bool idle = false;
};

HttpServer::HttpServer(asio::io_context& context, RequestHandler& handler, HttpLimits limits)
    : m_context(context), m_handler(handler), m_limits(limits), m_acceptor(context)
{
}

std::expected<tcp::endpoint, std::string> HttpServer::listen(const tcp::endpoint& endpoint)
{
    boost::system::error_code error;
    m_acceptor.open(endpoint.protocol(), error);
    if (!error) {
        m_acceptor.set_option(tcp::acceptor::reuse_address(true), error);
    }
    if (!error) {
        m_acceptor.bind(endpoint, error);
    }
    if (!error) {
        m_acceptor.listen(asio::socket_base::max_listen_connections, error);
    }
    auto bound = error ? tcp::endpoint() : m_acceptor.local_endpoint(error);
    if (error) {
        return std::unexpected("cannot listen on " + endpoint.address().to_string() + ":"
            + std::to_string(endpoint.port()) + ": " + error.message());
    }
    return bound;
}

void HttpServer::start()
{
    asio::co_spawn(m_context, acceptConnections(), asio::detached);
}

void HttpServer::stop()
{
    m_stopping = true;
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    for (auto* connection : m_connections) {
        if (connection->idle) {
            connection->socket.cancel(ignored);
        }
    }
}

asio::awaitable<void> HttpServer::acceptConnections()
{
    while (!m_stopping) {
        auto [error, socket] = co_await m_acceptor.async_accept(tupled);
        if (m_stopping) {
            break;
        }
        if (error) {
            // Out of descriptors or a similar passing shortage: wait briefly instead of spinning.
            asio::steady_timer pause(m_context, acceptRetryDelay);
            co_await pause.async_wait(tupled);
            continue;
        }
        if (m_serving >= m_limits.maxConnections) {
            asio::co_spawn(m_context, turnAway(std::move(socket)), asio::detached);
        } else {
            asio::co_spawn(m_context, serve(std::move(socket)), asio::detached);
        }
    }
}

void HttpServer::track(Connection& connection)
{
    m_connections.insert(&connection);
    if (!m_sweeping) {
        m_sweeping = true;
        asio::co_spawn(m_context, closeExpired(), asio::detached);
    }
}

void HttpServer::untrack(Connection& connection)
{
    m_connections.erase(&connection);
    boost::system::error_code ignored;
    connection.socket.shutdown(tcp::socket::shutdown_both, ignored);
    connection.socket.close(ignored);
}

asio::awaitable<void> HttpServer::turnAway(tcp::socket socket)
{
    const auto started = Clock::now();
    boost::system::error_code ignored;
    const std::string remoteAddress = socket.remote_endpoint(ignored).address().to_string();
    Connection connection(std::move(socket));
    track(connection);
    auto response = HttpResponse::error(503, "too many connections; retry later");
    response.route = "refused";
    response.headers.emplace_back("Retry-After", "1");
    std::string head;
    const auto reply = serialized(head, response, false, false, false);
    connection.deadline = started + m_limits.headerTimeout;
    const auto [error, written] = co_await asio::async_write(connection.socket, reply, tupled);
    m_handler.responded("-", response, remoteAddress, Clock::now() - started);
    if (!error) {
        co_await lingeringClose(connection.socket, connection.deadline);
    }
    untrack(connection);
}

asio::awaitable<void> HttpServer::closeExpired()
{
    asio::steady_timer timer(m_context);
    while (!m_connections.empty()) {
        timer.expires_after(sweepInterval);
        co_await timer.async_wait(tupled);
        const auto now = Clock::now();
        boost::system::error_code ignored;
        for (auto* connection : m_connections) {
            if (connection->deadline <= now) {
                connection->socket.close(ignored);
            }
        }
    }
    m_sweeping = false;
}

asio::awaitable<void> HttpServer::serve(tcp::socket socket)
{
    boost::system::error_code ignored;
    const std::string remoteAddress = socket.remote_endpoint(ignored).address().to_string();
    socket.set_option(tcp::no_delay(true), ignored);
    Connection connection(std::move(socket));
    track(connection);
    ++m_serving;
    beast::flat_buffer buffer;
    // The head of each response, kept for the next.
    std::string head;
    bool firstRequest = true;

    // Writes a refusal, closes the connection gracefully and reports it.
    // Takes its texts by value: they must outlive the suspensions inside.
    auto refuse = [&](unsigned status, std::string message, std::string method,
                      Clock::time_point started) -> asio::awaitable<void> {
        auto response = HttpResponse::error(status, message);
        response.route = "refused";
        const auto reply = serialized(head, response, false, false, false);
        connection.deadline = Clock::now() + m_limits.bodyTimeout;
        co_await asio::async_write(connection.socket, reply, tupled);
        m_handler.responded(method, response, remoteAddress, Clock::now() - started);
        co_await lingeringClose(connection.socket, connection.deadline);
    };
    const auto tooLarge
        = [this] { return "request body is larger than " + std::to_string(m_limits.maxBodyBytes) + " bytes"; };

    while (!m_stopping) {
        if (buffer.size() == 0) {
            connection.deadline = Clock::now() + (firstRequest ? m_limits.headerTimeout : m_limits.idleTimeout);
            connection.idle = true;
            const auto [error, count]
                = co_await connection.socket.async_read_some(buffer.prepare(firstReadBytes), tupled);
            connection.idle = false;
            if (error) {
                break;
            }
            buffer.commit(count);
        }
        const auto started = Clock::now();
        Parser parser;
        parser.header_limit(m_limits.maxHeaderBytes);
        parser.body_limit(m_limits.maxBodyBytes);
        connection.deadline = started + m_limits.headerTimeout;
        auto headerError = parseBuffered(parser, buffer, headerRead);
        if (headerError == http::error::need_more) {
            auto reading = readUntil(connection.socket, buffer, parser, headerRead);
            headerError = co_await std::move(reading);
        }
        if (headerError == http::error::header_limit) {
            auto refusal = refuse(431, "request headers are too large", "-", started);
            co_await std::move(refusal);
            break;
        }
        if (headerError == http::error::body_limit) {
            auto refusal = refuse(413, tooLarge(), "-", started);
            co_await std::move(refusal);
            break;
        }
        if (endsQuietly(headerError)) {
            break;
        }
        if (headerError) {
            auto refusal = refuse(400, "malformed HTTP request: " + headerError.message(), "-", started);
            co_await std::move(refusal);
            break;
        }
        const auto& header = parser.get();
        const std::string method(header.method_string());
        if (std::distance(header.begin(), header.end()) > std::ptrdiff_t(m_limits.maxHeaderCount)) {
            auto refusal = refuse(431, "too many request header fields", method, started);
            co_await std::move(refusal);
            break;
        }
        if (const auto length = parser.content_length(); length && *length > m_limits.maxBodyBytes) {
            auto refusal = refuse(413, tooLarge(), method, started);
            co_await std::move(refusal);
            break;
        }
        connection.deadline = Clock::now() + m_limits.bodyTimeout;
        if (beast::iequals(header[http::field::expect], "100-continue") && !parser.is_done()) {
            const auto [error, written]
                = co_await asio::async_write(connection.socket, asio::buffer(continueResponse), tupled);
            if (error) {
                break;
            }
        }
        parser.eager(true);
        auto bodyError = parseBuffered(parser, buffer, messageRead);
        if (bodyError == http::error::need_more) {
            auto reading = readUntil(connection.socket, buffer, parser, messageRead);
            bodyError = co_await std::move(reading);
        }
        if (bodyError == http::error::body_limit) {
            auto refusal = refuse(413, tooLarge(), method, started);
            co_await std::move(refusal);
            break;
        }
        if (bodyError) {
            break;
        }

        auto message = parser.release();
        const bool keepAlive = message.keep_alive();
        const bool gzip = Gzip::accepted(message[http::field::accept_encoding]);
        const bool headOnly = message.method() == http::verb::head;
        connection.deadline = Clock::time_point::max();
        auto handling = m_handler.handle(converted(std::move(message), remoteAddress));
        auto response = co_await std::move(handling);
        const bool keepOpen = keepAlive && !m_stopping;
        const auto reply = serialized(head, response, keepOpen, gzip, headOnly);
        connection.deadline = Clock::now() + m_limits.bodyTimeout;
        const auto [writeError, written] = co_await asio::async_write(connection.socket, reply, tupled);
        m_handler.responded(method, response, remoteAddress, Clock::now() - started);
        if (writeError || !keepOpen) {
            break;
        }
        firstRequest = false;
    }
    --m_serving;
    untrack(connection);
}

} // namespace corvane::relay
