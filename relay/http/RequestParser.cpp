#include "http/RequestParser.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/core/buffers_range.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>

#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

namespace corvane::relay {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;

// A body that takes memory only for bytes that arrived, growing as they do to at most twice what they
// fill. (Beast's string_body reserves the whole announced length before the first byte arrives.)
struct GrowingBody {
    using value_type = std::string;

    class Reader {
    public:
        template <bool isRequest, class Fields>
        Reader(http::header<isRequest, Fields>& /*header*/, value_type& body) : m_body(body)
        {
        }

        static void init(const boost::optional<std::uint64_t>& /*length*/, boost::system::error_code& error)
        {
            error = {};
        }

        template <class Buffers> std::size_t put(const Buffers& buffers, boost::system::error_code& error)
        {
            for (const auto buffer : beast::buffers_range_ref(buffers)) {
                m_body.append(static_cast<const char*>(buffer.data()), buffer.size());
            }
            error = {};
            return beast::buffer_bytes(buffers);
        }

        static void finish(boost::system::error_code& error) { error = {}; }

    private:
        value_type& m_body;
    };
    // The name Beast's BodyReader requirements look for.
    using reader = Reader;
};

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(result, result.begin(), [](unsigned char character) { return std::tolower(character); });
    return result;
}

// The transfer codings of every Transfer-Encoding field, in order (RFC 9110 §5.6.1 lists: empty
// elements and the whitespace around elements do not count).
std::vector<std::string_view> transferCodings(const http::fields& fields)
{
    std::vector<std::string_view> codings;
    const auto [first, last] = fields.equal_range(http::field::transfer_encoding);
    for (auto field = first; field != last; ++field) {
        const std::string_view value = field->value();
        std::size_t start = 0;
        while (start <= value.size()) {
            const auto end = std::min(value.find(',', start), value.size());
            auto coding = value.substr(start, end - start);
            const auto begin = coding.find_first_not_of(" \t");
            if (begin != std::string_view::npos) {
                coding = coding.substr(begin, coding.find_last_not_of(" \t") + 1 - begin);
                codings.push_back(coding);
            }
            start = end + 1;
        }
    }
    return codings;
}

} // namespace

struct RequestParser::State {
    http::request_parser<GrowingBody> parser;
    // What the parser is given now. It is not eager, so this starts where the element it reads starts.
    std::string_view input;
    std::optional<Refusal> refusal;
    std::uint64_t extensionBytes = 0;
    std::size_t headFields = 0;
    std::function<void(std::uint64_t, beast::string_view, boost::system::error_code&)> onChunkHeader;
};

RequestParser::RequestParser(const HttpLimits& limits)
    : m_limits(limits), m_bodyLimit(limits.maxBodyBytes), m_state(std::make_unique<State>())
{
    auto& parser = m_state->parser;
    parser.header_limit(limits.maxHeaderBytes);
    parser.body_limit(limits.maxBodyBytes);
    parser.eager(false);
    m_state->onChunkHeader
        = [this](std::uint64_t size, beast::string_view extensions, boost::system::error_code& error) {
              m_state->extensionBytes += extensions.size();
              m_state->refusal = chunkRefusal(m_state->input, size == 0);
              if (!m_state->refusal && m_state->extensionBytes > m_limits.maxHeaderBytes) {
                  m_state->refusal = Refusal{400,
                      "the chunk extensions of a request are longer than " + std::to_string(m_limits.maxHeaderBytes)
                          + " bytes together"};
              }
              error = m_state->refusal ? http::error::bad_chunk_extension : boost::system::error_code();
          };
    parser.on_chunk_header(m_state->onChunkHeader);
}

RequestParser::~RequestParser() = default;

std::expected<std::size_t, Refusal> RequestParser::parse(std::string_view bytes)
{
    auto& parser = m_state->parser;
    const bool wholeRequest = parser.is_header_done();
    std::size_t used = 0;
    while (!(wholeRequest ? parser.is_done() : parser.is_header_done()) && used < bytes.size()) {
        boost::system::error_code error;
        m_state->input = bytes.substr(used);
        const auto count = parser.put(boost::asio::buffer(m_state->input), error);
        used += count;
        if (const auto& refused = m_state->refusal; refused) {
            return std::unexpected(*refused);
        }
        if (error == http::error::need_more) {
            break;
        }
        if (error == http::error::header_limit) {
            return std::unexpected(Refusal{431, "request headers are too large"});
        }
        if (error == http::error::body_limit) {
            return std::unexpected(tooLarge());
        }
        if (error) {
            return std::unexpected(Refusal{400, "malformed HTTP request: " + error.message()});
        }
        if (count == 0) {
            break;
        }
    }
    if (!wholeRequest && parser.is_header_done()) {
        m_state->headFields = fieldCount();
        if (auto checked = checkHead(); !checked) {
            return std::unexpected(checked.error());
        }
    }
    if (wholeRequest && parser.chunked() && !parser.is_done()) {
        // The parser takes a chunk-size line, and the trailer section after the last one, only once
        // whole: until then their bytes wait here, and are bounded here.
        if (auto refused = chunkRefusal(bytes.substr(used), true)) {
            return std::unexpected(*std::move(refused));
        }
    }
    if (wholeRequest && parser.is_done() && fieldCount() - m_state->headFields > m_limits.maxHeaderCount) {
        return std::unexpected(Refusal{431, "too many trailer fields"});
    }
    return used;
}

std::optional<Refusal> RequestParser::chunkRefusal(std::string_view input, bool last) const
{
    if (input.starts_with("\r\n")) {
        input.remove_prefix(2);
    }
    const auto lineEnd = input.find("\r\n");
    auto line = input.substr(0, lineEnd);
    if (lineEnd == std::string_view::npos && line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    if (line.size() > m_limits.maxHeaderBytes) {
        return Refusal{400, "a chunk-size line is longer than " + std::to_string(m_limits.maxHeaderBytes) + " bytes"};
    }
    if (!last || lineEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const auto sectionEnd = input.find("\r\n\r\n", lineEnd);
    const auto section = (sectionEnd == std::string_view::npos ? input.size() : sectionEnd + 4) - lineEnd - 2;
    if (section > m_limits.maxHeaderBytes) {
        return Refusal{431, "the trailer section is larger than " + std::to_string(m_limits.maxHeaderBytes) + " bytes"};
    }
    return std::nullopt;
}

std::size_t RequestParser::fieldCount() const
{
    const auto& header = m_state->parser.get();
    return static_cast<std::size_t>(std::distance(header.begin(), header.end()));
}

std::expected<void, Refusal> RequestParser::limitBody(std::uint64_t bytes)
{
    m_bodyLimit = std::min(m_bodyLimit, bytes);
    m_state->parser.body_limit(m_bodyLimit);
    if (const auto length = contentLength(); length && *length > m_bodyLimit) {
        return std::unexpected(tooLarge());
    }
    return {};
}

Refusal RequestParser::tooLarge() const
{
    return Refusal{413, "request body is larger than " + std::to_string(m_bodyLimit) + " bytes"};
}

std::expected<void, Refusal> RequestParser::finish()
{
    boost::system::error_code error;
    m_state->parser.put_eof(error);
    if (error) {
        return std::unexpected(Refusal{400, "malformed HTTP request: " + error.message()});
    }
    return {};
}

std::expected<void, Refusal> RequestParser::checkHead() const
{
    const auto& header = m_state->parser.get();
    if (m_state->headFields > m_limits.maxHeaderCount) {
        return std::unexpected(Refusal{431, "too many request header fields"});
    }
    const auto hosts = header.count(http::field::host);
    if (hosts > 1 || (hosts == 0 && header.version() >= 11)) {
        return std::unexpected(Refusal{400, "an HTTP/1.1 request needs exactly one Host field"});
    }
    if (const auto length = contentLength(); length && *length > m_bodyLimit) {
        return std::unexpected(tooLarge());
    }
    if (header.count(http::field::transfer_encoding) == 0) {
        return {};
    }
    if (header.version() < 11) {
        return std::unexpected(Refusal{400, "Transfer-Encoding needs HTTP/1.1"});
    }
    if (header.count(http::field::content_length) > 0) {
        return std::unexpected(Refusal{400, "Transfer-Encoding and Content-Length together are ambiguous"});
    }
    const auto codings = transferCodings(header);
    if (codings.empty() || !beast::iequals(codings.back(), "chunked")) {
        return std::unexpected(Refusal{400, "the last transfer coding must be chunked"});
    }
    if (codings.size() > 1) {
        return std::unexpected(Refusal{501, "chunked is the only transfer coding supported"});
    }
    return {};
}

bool RequestParser::started() const
{
    return m_state->parser.got_some();
}

bool RequestParser::headRead() const
{
    return m_state->parser.is_header_done();
}

bool RequestParser::done() const
{
    return m_state->parser.is_done();
}

HttpRequest RequestParser::request(std::string remoteAddress) const
{
    const auto& message = m_state->parser.get();
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
    request.remoteAddress = std::move(remoteAddress);
    return request;
}

std::optional<std::uint64_t> RequestParser::contentLength() const
{
    const auto length = m_state->parser.content_length();
    return length ? std::optional<std::uint64_t>(*length) : std::nullopt;
}

bool RequestParser::expectsContinue() const
{
    return beast::iequals(m_state->parser.get()[http::field::expect], "100-continue");
}

bool RequestParser::keepAlive() const
{
    return m_state->parser.get().keep_alive();
}

std::size_t RequestParser::bodyCapacity() const
{
    return m_state->parser.get().body().capacity();
}

std::string RequestParser::takeBody()
{
    return std::move(m_state->parser.get().body());
}

} // namespace corvane::relay
