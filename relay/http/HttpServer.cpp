#include "http/HttpServer.h"

#include "http/Gzip.h"
#include "http/ResponseHead.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/buffer.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/experimental/awaitable_operators.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>

namespace corvane::relay {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr auto tupled = asio::as_tuple(asio::use_awaitable);
constexpr std::size_t firstReadBytes = 4096;
constexpr std::size_t smallestRead = 512;
constexpr std::size_t largestRead = std::size_t{64} * 1024;
constexpr auto lingerTime = std::chrono::seconds(2);
constexpr std::size_t lingerBytes = std::size_t{64} * 1024 * 1024;
constexpr auto acceptRetryDelay = std::chrono::milliseconds(50);
// How often deadlines are checked: a slow client is closed at most this late.
constexpr auto sweepInterval = std::chrono::milliseconds(250);
constexpr std::string_view continueResponse = "HTTP/1.1 100 Continue\r\n\r\n";
constexpr std::string_view tooManyConnections = "too many connections; retry later";
constexpr std::string_view tooManyBodies = "too many request bodies in progress; retry later";
// What the client of a refused connection sent before the refusal, read at most this often.
constexpr int shedReads = 4;

// What goes on the wire for `response`: its head, then its body unless the request was HEAD.
std::array<asio::const_buffer, 2> serialized(
    std::string& head, HttpResponse& response, bool keepAlive, bool gzip, bool headOnly)
{
    ResponseHead::write(head, response, keepAlive, gzip);
    return {asio::buffer(head), headOnly ? asio::const_buffer() : asio::buffer(response.body)};
}

// A response the server gives by itself.
HttpResponse refusal(unsigned status, std::string_view message)
{
    auto response = HttpResponse::error(status, message);
    response.route = "refused";
    return response;
}

// Ends the coroutines the server spawns: a failure that escaped one is logged, never swallowed.
void reportFailure(const std::exception_ptr& failure)
{
    if (!failure) {
        return;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane-relay: a connection failed: %s\n", error.what());
    } catch (...) {
        std::fputs("corvane-relay: a connection failed\n", stderr);
    }
}

} // namespace

HttpServer::HttpServer(asio::io_context& context, RequestHandler& handler, HttpLimits limits)
    : m_context(context), m_handler(handler), m_limits(limits), m_budget(limits.maxBufferedBytes), m_table(limits),
      m_acceptor(context), m_spareDescriptor(::open("/dev/null", O_RDONLY | O_CLOEXEC))
{
}

HttpServer::~HttpServer()
{
    if (m_spareDescriptor >= 0) {
        ::close(m_spareDescriptor);
    }
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
    if (!error) {
        // Only the accept that sheds a connection is synchronous; it must not wait.
        m_acceptor.non_blocking(true, error);
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
    asio::co_spawn(m_context, acceptConnections(), reportFailure);
}

void HttpServer::stop()
{
    m_stopping = true;
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    for (auto* connection : m_table.connections()) {
        if (connection->idle || connection->role == Role::holding) {
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
        if (error == boost::system::errc::too_many_files_open
            || error == boost::system::errc::too_many_files_open_in_system) {
            // The table is full anyway: the spare descriptor makes room to refuse one client.
            ::close(m_spareDescriptor);
            tcp::socket extra(m_context);
            boost::system::error_code acceptError;
            m_acceptor.accept(extra, acceptError);
            if (!acceptError) {
                shed(extra);
            }
            m_spareDescriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (!acceptError) {
                continue;
            }
        }
        if (error) {
            // Out of descriptors or a similar passing shortage: wait briefly instead of spinning.
            asio::steady_timer pause(m_context, acceptRetryDelay);
            co_await pause.async_wait(tupled);
            continue;
        }
        boost::system::error_code ignored;
        auto client = ConnectionTable::clientOf(socket.remote_endpoint(ignored));
        if (m_table.roomFor(client)) {
            asio::co_spawn(m_context, serve(std::move(socket), std::move(client)), reportFailure);
        } else if (m_table.canRefuse()) {
            asio::co_spawn(m_context, turnAway(std::move(socket)), reportFailure);
        } else {
            shed(socket);
        }
    }
}

asio::awaitable<void> HttpServer::turnAway(tcp::socket socket)
{
    const auto started = Clock::now();
    Connection connection(m_table, std::move(socket), {}, Role::refusing, m_limits.headerTimeout);
    sweep();
    auto response = refusal(503, tooManyConnections);
    const auto reply = serialized(connection.head, response, false, false, false);
    const auto [error, written] = co_await asio::async_write(connection.socket, reply, tupled);
    m_handler.responded("-", response, connection.remoteAddress, Clock::now() - started);
    if (!error) {
        co_await lingeringClose(connection);
    }
}

void HttpServer::shed(tcp::socket& socket)
{
    boost::system::error_code ignored;
    const auto remoteAddress = socket.remote_endpoint(ignored).address().to_string();
    auto response = refusal(503, tooManyConnections);
    std::string head;
    socket.non_blocking(true, ignored);
    asio::write(socket, serialized(head, response, false, false, false), ignored);
    // Reading what already arrived lets the close end the connection without a reset.
    for (int read = 0; read < shedReads && socket.available(ignored) > 0; ++read) {
        socket.read_some(asio::buffer(m_discarded), ignored);
    }
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    m_handler.responded("-", response, remoteAddress, Clock::duration::zero());
}

asio::awaitable<void> HttpServer::lingeringClose(Connection& connection)
{
    boost::system::error_code ignored;
    connection.socket.shutdown(tcp::socket::shutdown_send, ignored);
    connection.deadline = Clock::now() + lingerTime;
    std::size_t drained = 0;
    while (drained < lingerBytes) {
        const auto [error, count] = co_await connection.socket.async_read_some(asio::buffer(m_discarded), tupled);
        if (error) {
            break;
        }
        drained += count;
    }
    connection.socket.close(ignored);
}

asio::awaitable<void> HttpServer::untilClosed(Connection& connection)
{
    for (;;) {
        const auto [error] = co_await connection.socket.async_wait(tcp::socket::wait_read, tupled);
        if (error) {
            co_return;
        }
        char byte = 0;
        const auto peeked = ::recv(connection.socket.native_handle(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (peeked > 0) {
            asio::steady_timer never(m_context, Clock::time_point::max());
            co_await never.async_wait(tupled);
            co_return;
        }
        if (peeked == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            co_return;
        }
    }
}

void HttpServer::sweep()
{
    if (!m_sweeping) {
        m_sweeping = true;
        asio::co_spawn(m_context, closeExpired(), reportFailure);
    }
}

asio::awaitable<void> HttpServer::closeExpired()
{
    asio::steady_timer timer(m_context);
    while (!m_table.connections().empty()) {
        timer.expires_after(sweepInterval);
        co_await timer.async_wait(tupled);
        const auto now = Clock::now();
        boost::system::error_code ignored;
        for (auto* connection : m_table.connections()) {
            if (connection->deadline <= now) {
                connection->socket.close(ignored);
            }
        }
    }
    m_sweeping = false;
}

asio::awaitable<void> HttpServer::serve(tcp::socket socket, std::string client)
{
    boost::system::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    Connection connection(m_table, std::move(socket), std::move(client), Role::serving, m_limits.headerTimeout);
    sweep();
    beast::flat_buffer buffer;
    bool open = true;
    while (open && !m_stopping) {
        std::exception_ptr failure;
        try {
            open = co_await exchange(connection, buffer);
        } catch (...) {
            failure = std::current_exception();
        }
        if (failure) {
            reportFailure(failure);
            if (!connection.responding) {
                co_await refuse(connection, refusal(500, "the request failed"), "-", Clock::now());
            }
            open = false;
        }
    }
}

asio::awaitable<bool> HttpServer::exchange(Connection& connection, beast::flat_buffer& buffer)
{
    connection.responding = false;
    if (buffer.size() == 0) {
        if (!connection.awaitingFirstHead) {
            connection.deadline = Clock::now() + m_limits.idleTimeout;
        }
        connection.idle = true;
        const auto [error, count] = co_await connection.socket.async_read_some(buffer.prepare(firstReadBytes), tupled);
        connection.idle = false;
        if (error) {
            co_return false;
        }
        buffer.commit(count);
    }
    Exchange exchange;
    exchange.started = Clock::now();
    // The first head is due a header timeout after the accept, later ones after their first byte.
    if (!connection.awaitingFirstHead) {
        connection.deadline = exchange.started + m_limits.headerTimeout;
    }
    RequestParser parser(m_limits);
    const auto head = co_await readUntil(connection, buffer, parser, nullptr);
    if (!head) {
        co_await refuse(connection, refusal(head.error().status, head.error().message), "-", exchange.started);
    }
    if (!head || !*head) {
        co_return false;
    }
    connection.awaitingFirstHead = false;
    HttpRequest request = parser.request(connection.remoteAddress);
    request.client = connection.client;
    exchange.method = request.method;
    exchange.gzip = Gzip::accepted(request.header("accept-encoding").value_or(""));
    exchange.headOnly = request.method == "HEAD";
    exchange.keepAlive = parser.keepAlive();
    auto admission = m_handler.admit(request);
    if (!admission) {
        if (parser.done()) {
            co_return co_await respond(connection, std::move(admission.error()), exchange);
        }
        co_await refuse(connection, std::move(admission.error()), exchange.method, exchange.started);
        co_return false;
    }
    if (const auto bodyBytes = admission->maxBodyBytes) {
        if (auto limited = parser.limitBody(*bodyBytes); !limited) {
            co_await refuse(connection, refusal(413, limited.error().message), exchange.method, exchange.started);
            co_return false;
        }
    }
    BufferBudget::Share share(m_budget);
    if (!parser.done()) {
        if (!m_budget.fits(parser.contentLength().value_or(0))) {
            co_await refuse(connection, refusal(503, tooManyBodies), exchange.method, exchange.started);
            co_return false;
        }
        connection.deadline = Clock::now() + m_limits.bodyTimeout;
        if (parser.expectsContinue()) {
            const auto [error, written]
                = co_await asio::async_write(connection.socket, asio::buffer(continueResponse), tupled);
            if (error) {
                co_return false;
            }
        }
        const auto body = co_await readUntil(connection, buffer, parser, &share);
        if (!body) {
            co_await refuse(
                connection, refusal(body.error().status, body.error().message), exchange.method, exchange.started);
        }
        if (!body || !*body) {
            co_return false;
        }
        request.body = parser.takeBody();
    }
    connection.deadline = Clock::time_point::max();
    auto handling = admission->handle(std::move(request));
    if (!admission->holds) {
        auto response = co_await std::move(handling);
        co_return co_await respond(connection, std::move(response), exchange);
    }
    using namespace asio::experimental::awaitable_operators;
    connection.hold();
    auto answered = co_await (std::move(handling) || untilClosed(connection));
    if (answered.index() != 0) {
        co_return false;
    }
    exchange.keepAlive = exchange.keepAlive && connection.resume();
    co_return co_await respond(connection, std::get<0>(std::move(answered)), exchange);
}

asio::awaitable<std::expected<bool, Refusal>> HttpServer::readUntil(
    Connection& connection, beast::flat_buffer& buffer, RequestParser& parser, BufferBudget::Share* share)
{
    for (;;) {
        const std::string_view bytes(static_cast<const char*>(buffer.data().data()), buffer.size());
        const auto used = parser.parse(bytes);
        if (!used) {
            co_return std::unexpected(used.error());
        }
        buffer.consume(*used);
        if (share != nullptr && !share->hold(parser.bodyCapacity())) {
            co_return std::unexpected(Refusal{503, std::string(tooManyBodies)});
        }
        if (share != nullptr ? parser.done() : parser.headRead()) {
            co_return true;
        }
        const auto size = std::min(std::max(smallestRead, buffer.capacity() - buffer.size()), largestRead);
        const auto [error, count] = co_await connection.socket.async_read_some(buffer.prepare(size), tupled);
        if (error == asio::error::eof && share == nullptr && parser.started()) {
            if (auto finished = parser.finish(); !finished) {
                co_return std::unexpected(finished.error());
            }
            co_return parser.headRead();
        }
        if (error) {
            co_return false;
        }
        buffer.commit(count);
    }
}

asio::awaitable<bool> HttpServer::respond(Connection& connection, HttpResponse response, const Exchange& exchange)
{
    const bool keepOpen = exchange.keepAlive && !m_stopping;
    connection.responding = true;
    const auto reply = serialized(connection.head, response, keepOpen, exchange.gzip, exchange.headOnly);
    connection.deadline = Clock::now() + m_limits.bodyTimeout;
    const auto [error, written] = co_await asio::async_write(connection.socket, reply, tupled);
    m_handler.responded(exchange.method, response, connection.remoteAddress, Clock::now() - exchange.started);
    co_return !error && keepOpen;
}

asio::awaitable<void> HttpServer::refuse(
    Connection& connection, HttpResponse response, std::string method, Clock::time_point started)
{
    connection.responding = true;
    const auto reply = serialized(connection.head, response, false, false, false);
    connection.deadline = Clock::now() + m_limits.bodyTimeout;
    co_await asio::async_write(connection.socket, reply, tupled);
    m_handler.responded(method, response, connection.remoteAddress, Clock::now() - started);
    co_await lingeringClose(connection);
}

} // namespace corvane::relay
