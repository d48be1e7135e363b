#include "http/HttpServer.h"

#include "http/Gzip.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/buffer.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http/status.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>

namespace corvane::relay {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

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
constexpr std::string_view tooManyConnections = "too many connections; retry later";
constexpr std::string_view tooManyBodies = "too many request bodies in progress; retry later";
// What the client of a refused connection sent before the refusal, read at most this often.
constexpr int shedReads = 4;

void appendNumber(std::string& text, std::uint64_t number)
{
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.begin(), digits.end(), number);
    text.append(digits.data(), result.ptr);
}

// Writes the status line and header fields of `response` into `head`, compresses its body when the
// client accepts gzip and that pays, and gives what goes on the wire: the head, then the body unless
// the request was HEAD.
std::array<asio::const_buffer, 2> serialized(
    std::string& head, HttpResponse& response, bool keepAlive, bool gzip, bool headOnly)
{
    bool compressed = false;
    const bool varies = gzip && response.body.size() >= gzipThreshold;
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

// A response the server gives by itself; 503 says when to try again.
HttpResponse refusal(unsigned status, std::string_view message)
{
    auto response = HttpResponse::error(status, message);
    response.route = "refused";
    if (status == 503) {
        response.headers.emplace_back("Retry-After", "1");
    }
    return response;
}

// The address whose connections count together: an IPv6 client by its /64 prefix, which one host
// usually holds whole.
std::string clientOf(const tcp::endpoint& remote)
{
    const auto address = remote.address();
    if (!address.is_v6()) {
        return address.to_string();
    }
    const auto version6 = address.to_v6();
    if (version6.is_v4_mapped()) {
        return asio::ip::make_address_v4(asio::ip::v4_mapped, version6).to_string();
    }
    auto bytes = version6.to_bytes();
    std::fill(bytes.begin() + 8, bytes.end(), 0);
    return asio::ip::address_v6(bytes).to_string() + "/64";
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

// One client connection, counted among the server's from its construction to its destruction. Its
// deadline is checked by closeExpired(): each stage of an exchange (waiting for a request, reading
// it, writing the answer) moves it, so no timer is set per request.
struct HttpServer::Connection {
    Connection(HttpServer& owner, tcp::socket connected, std::string clientKey, Role connectionRole);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Gives up its place in the caps (once), as when it is closed to make room.
    void leave();

    HttpServer& server;
    tcp::socket socket;
    std::string client;
    std::string remoteAddress;
    Role role;
    Clock::time_point accepted = Clock::now();
    // The connection is closed once this passes; never while its request is being handled.
    Clock::time_point deadline;
    // Waiting for the next request: stopping the server closes it.
    bool idle = false;
    // No head read on it yet: when the caps are reached, such connections make room first.
    bool awaitingFirstHead = true;
    // Part of a response may have been written: a failure can no longer be answered.
    bool responding = false;
    // The head of each response, kept for the next.
    std::string head;
};

HttpServer::Connection::Connection(HttpServer& owner, tcp::socket connected, std::string clientKey, Role connectionRole)
    : server(owner), socket(std::move(connected)), client(std::move(clientKey)), role(connectionRole),
      deadline(accepted + owner.m_limits.headerTimeout)
{
    boost::system::error_code ignored;
    remoteAddress = socket.remote_endpoint(ignored).address().to_string();
    if (role == Role::serving) {
        ++server.m_servingPerClient[client];
        ++server.m_serving;
    } else {
        ++server.m_refusing;
    }
    server.m_connections.insert(this);
    if (!server.m_sweeping) {
        server.m_sweeping = true;
        asio::co_spawn(server.m_context, server.closeExpired(), reportFailure);
    }
}

HttpServer::Connection::~Connection()
{
    leave();
    server.m_connections.erase(this);
    boost::system::error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

void HttpServer::Connection::leave()
{
    if (role == Role::serving) {
        --server.m_serving;
        const auto counted = server.m_servingPerClient.find(client);
        if (--counted->second == 0) {
            server.m_servingPerClient.erase(counted);
        }
    } else if (role == Role::refusing) {
        --server.m_refusing;
    }
    role = Role::gone;
}

HttpServer::HttpServer(asio::io_context& context, RequestHandler& handler, HttpLimits limits)
    : m_context(context), m_handler(handler), m_limits(limits), m_budget(limits.maxBufferedBytes), m_acceptor(context),
      m_spareDescriptor(::open("/dev/null", O_RDONLY | O_CLOEXEC))
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
        }
        if (error) {
            // Out of descriptors or a similar passing shortage: wait briefly instead of spinning.
            asio::steady_timer pause(m_context, acceptRetryDelay);
            co_await pause.async_wait(tupled);
            continue;
        }
        boost::system::error_code ignored;
        auto client = clientOf(socket.remote_endpoint(ignored));
        if (roomFor(client)) {
            asio::co_spawn(m_context, serve(std::move(socket), std::move(client)), reportFailure);
        } else if (m_refusing < m_limits.maxRefusing) {
            asio::co_spawn(m_context, turnAway(std::move(socket)), reportFailure);
        } else {
            shed(socket);
        }
    }
}

bool HttpServer::roomFor(const std::string& client)
{
    const auto counted = m_servingPerClient.find(client);
    const bool clientFull = m_limits.maxConnectionsPerClient > 0 && counted != m_servingPerClient.end()
        && counted->second >= m_limits.maxConnectionsPerClient;
    if (!clientFull && m_serving < m_limits.maxConnections) {
        return true;
    }
    Connection* oldest = nullptr;
    for (auto* connection : m_connections) {
        if (connection->role == Role::serving && connection->awaitingFirstHead
            && (!clientFull || connection->client == client)
            && (oldest == nullptr || connection->accepted < oldest->accepted)) {
            oldest = connection;
        }
    }
    if (oldest == nullptr) {
        return false;
    }
    oldest->leave();
    boost::system::error_code ignored;
    oldest->socket.close(ignored);
    return true;
}

asio::awaitable<void> HttpServer::turnAway(tcp::socket socket)
{
    const auto started = Clock::now();
    Connection connection(*this, std::move(socket), {}, Role::refusing);
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

asio::awaitable<void> HttpServer::serve(tcp::socket socket, std::string client)
{
    boost::system::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    Connection connection(*this, std::move(socket), std::move(client), Role::serving);
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
    exchange.method = request.method;
    exchange.gzip = Gzip::accepted(request.header("accept-encoding").value_or(""));
    exchange.headOnly = request.method == "HEAD";
    exchange.keepAlive = parser.keepAlive();
    if (auto refused = m_handler.admit(request)) {
        if (parser.done()) {
            co_return co_await respond(connection, *std::move(refused), exchange);
        }
        co_await refuse(connection, *std::move(refused), exchange.method, exchange.started);
        co_return false;
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
    auto handling = m_handler.handle(std::move(request));
    auto response = co_await std::move(handling);
    co_return co_await respond(connection, std::move(response), exchange);
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
