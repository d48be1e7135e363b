#include "http/HttpServer.h"

#include "http/Gzip.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <array>
#include <cctype>

namespace corvane::relay {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

constexpr auto tupled = asio::as_tuple(asio::use_awaitable);
constexpr std::size_t firstReadBytes = 4096;
constexpr std::size_t gzipThreshold = 1024;
constexpr auto lingerTime = std::chrono::seconds(2);
constexpr std::size_t lingerBytes = 64 * 1024 * 1024;
constexpr auto acceptRetryDelay = std::chrono::milliseconds(50);

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(result, result.begin(), [](unsigned char character) { return std::tolower(character); });
    return result;
}

HttpRequest converted(http::request<http::string_body>&& message, std::string remoteAddress)
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
    for (const auto& field : message) {
        request.headers.emplace_back(lowered(field.name_string()), std::string(field.value()));
    }
    request.body = std::move(message.body());
    request.remoteAddress = std::move(remoteAddress);
    return request;
}

http::response<http::string_body> converted(HttpResponse& response, bool keepAlive, bool gzip, bool headOnly)
{
    http::response<http::string_body> message{static_cast<http::status>(response.status), 11};
    if (!response.contentType.empty()) {
        message.set(http::field::content_type, response.contentType);
    }
    for (const auto& [name, value] : response.headers) {
        message.set(name, value);
    }
    if (gzip && response.body.size() >= gzipThreshold) {
        if (auto compressed = Gzip::compress(response.body)) {
            response.body = std::move(*compressed);
            message.set(http::field::content_encoding, "gzip");
        }
        message.set(http::field::vary, "Accept-Encoding");
    }
    message.keep_alive(keepAlive);
    message.content_length(response.body.size());
    if (!headOnly) {
        message.body() = response.body;
    }
    return message;
}

// Half-closes, then reads and drops what the client still sends, for a bounded time and amount, so
// that closing does not reset the connection before the client has read the response.
asio::awaitable<void> lingeringClose(beast::tcp_stream& stream)
{
    boost::system::error_code ignored;
    stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream.expires_after(lingerTime);
    std::array<char, 16384> sink{};
    std::size_t drained = 0;
    while (drained < lingerBytes) {
        const auto [error, count] = co_await stream.async_read_some(asio::buffer(sink), tupled);
        if (error) {
            break;
        }
        drained += count;
    }
    stream.socket().close(ignored);
}

} // namespace

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
    for (auto* socket : m_idleSockets) {
        socket->cancel(ignored);
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
        asio::co_spawn(m_context, serve(std::move(socket)), asio::detached);
    }
}

asio::awaitable<void> HttpServer::serve(tcp::socket socket)
{
    boost::system::error_code ignored;
    const std::string remoteAddress = socket.remote_endpoint(ignored).address().to_string();
    socket.set_option(tcp::no_delay(true), ignored);
    beast::tcp_stream stream(std::move(socket));
    beast::flat_buffer buffer;
    bool firstRequest = true;

    // Writes a refusal, closes the connection gracefully and reports it.
    // Takes its texts by value: they must outlive the suspensions inside.
    auto refuse = [&](unsigned status, std::string message, std::string method,
                      std::chrono::steady_clock::time_point started) -> asio::awaitable<void> {
        auto response = HttpResponse::error(status, message);
        response.route = "refused";
        auto reply = converted(response, false, false, false);
        stream.expires_after(m_limits.bodyTimeout);
        co_await http::async_write(stream, reply, tupled);
        m_handler.responded(method, response, remoteAddress, std::chrono::steady_clock::now() - started);
        co_await lingeringClose(stream);
    };

    while (!m_stopping) {
        if (buffer.size() == 0) {
            stream.expires_after(firstRequest ? m_limits.headerTimeout : m_limits.idleTimeout);
            m_idleSockets.insert(&stream.socket());
            const auto [error, count] = co_await stream.async_read_some(buffer.prepare(firstReadBytes), tupled);
            m_idleSockets.erase(&stream.socket());
            if (error) {
                break;
            }
            buffer.commit(count);
        }
        const auto started = std::chrono::steady_clock::now();
        http::request_parser<http::string_body> parser;
        parser.header_limit(m_limits.maxHeaderBytes);
        parser.body_limit(m_limits.maxBodyBytes);
        stream.expires_after(m_limits.headerTimeout);
        const auto [headerError, headerBytes] = co_await http::async_read_header(stream, buffer, parser, tupled);
        if (headerError == http::error::header_limit) {
            auto refusal = refuse(431, "request headers are too large", "-", started);
            co_await std::move(refusal);
            co_return;
        }
        if (headerError == http::error::body_limit) {
            auto refusal = refuse(
                413, "request body is larger than " + std::to_string(m_limits.maxBodyBytes) + " bytes", "-", started);
            co_await std::move(refusal);
            co_return;
        }
        if (headerError == beast::error::timeout || headerError == http::error::end_of_stream
            || headerError == asio::error::operation_aborted || headerError == asio::error::eof
            || headerError == asio::error::connection_reset) {
            break;
        }
        if (headerError) {
            auto refusal = refuse(400, "malformed HTTP request: " + headerError.message(), "-", started);
            co_await std::move(refusal);
            co_return;
        }
        const auto& header = parser.get();
        const std::string method(header.method_string());
        if (std::distance(header.begin(), header.end()) > std::ptrdiff_t(m_limits.maxHeaderCount)) {
            auto refusal = refuse(431, "too many request header fields", method, started);
            co_await std::move(refusal);
            co_return;
        }
        if (const auto length = parser.content_length(); length && *length > m_limits.maxBodyBytes) {
            auto refusal = refuse(413,
                "request body is larger than " + std::to_string(m_limits.maxBodyBytes) + " bytes", method, started);
            co_await std::move(refusal);
            co_return;
        }
        if (beast::iequals(header[http::field::expect], "100-continue") && !parser.is_done()) {
            http::response<http::empty_body> proceed{http::status::continue_, 11};
            stream.expires_after(m_limits.bodyTimeout);
            if (const auto [error, written] = co_await http::async_write(stream, proceed, tupled); error) {
                break;
            }
        }
        stream.expires_after(m_limits.bodyTimeout);
        const auto [bodyError, bodyBytes] = co_await http::async_read(stream, buffer, parser, tupled);
        if (bodyError == http::error::body_limit) {
            auto refusal = refuse(413,
                "request body is larger than " + std::to_string(m_limits.maxBodyBytes) + " bytes", method, started);
            co_await std::move(refusal);
            co_return;
        }
        if (bodyError) {
            break;
        }

        auto message = parser.release();
        const bool keepAlive = message.keep_alive();
        const bool gzip = Gzip::accepted(message[http::field::accept_encoding]);
        const bool headOnly = message.method() == http::verb::head;
        auto handling = m_handler.handle(converted(std::move(message), remoteAddress));
        auto response = co_await std::move(handling);
        const bool keepOpen = keepAlive && !m_stopping;
        auto reply = converted(response, keepOpen, gzip, headOnly);
        stream.expires_after(m_limits.bodyTimeout);
        const auto [writeError, written] = co_await http::async_write(stream, reply, tupled);
        m_handler.responded(method, response, remoteAddress, std::chrono::steady_clock::now() - started);
        if (writeError || !keepOpen) {
            break;
        }
        firstRequest = false;
    }
    stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream.socket().close(ignored);
}

} // namespace corvane::relay
