#pragma once

#include "http/HttpLimits.h"
#include "http/HttpRequest.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::relay {

// Why the server stops reading a request: the status it answers with, and the message.
struct Refusal {
    unsigned status = 400;
    std::string message;
};

// Reads one HTTP/1.1 request from its bytes however they are split: first its head, judged on its
// own, then its body. A head is refused unless its framing is unambiguous (RFC 9112 §6.3: a
// Transfer-Encoding ends in chunked and comes without Content-Length) and an HTTP/1.1 request names
// exactly one Host (§3.2). The body takes memory only as its bytes arrive. A chunked body (§7.1) is
// bounded as the head is: each chunk-size line, the chunk extensions of all its lines together and its
// trailer section take at most the header bytes, and the trailer fields at most the header count.
class RequestParser {
public:
    explicit RequestParser(const HttpLimits& limits);
    RequestParser(const RequestParser&) = delete;
    RequestParser& operator=(const RequestParser&) = delete;
    ~RequestParser();

    // Parses from the start of `bytes` up to the end of the head, or once the head is read up to the
    // end of the request, and gives how many bytes it used; fewer than given means it reached that end.
    std::expected<std::size_t, Refusal> parse(std::string_view bytes);
    // Once the head is read, before any of the body: holds the body to `bytes` at most, fewer than the
    // server's limit; refused at once when its length is known to be more.
    std::expected<void, Refusal> limitBody(std::uint64_t bytes);
    // The client ended the stream: whether what arrived makes a whole request.
    std::expected<void, Refusal> finish();

    bool started() const;
    bool headRead() const;
    bool done() const;

    // Once the head is read: the request without its body.
    HttpRequest request(std::string remoteAddress) const;
    std::optional<std::uint64_t> contentLength() const;
    bool expectsContinue() const;
    bool keepAlive() const;
    // Memory the body holds so far.
    std::size_t bodyCapacity() const;
    std::string takeBody();

private:
    struct State;

    std::expected<void, Refusal> checkHead() const;
    // The refusal for the chunk-size line `input` starts with (after the CRLF ending the chunk before),
    // and for the `last` one also for the trailer section after it, of which `input` holds the whole
    // or the part that arrived.
    std::optional<Refusal> chunkRefusal(std::string_view input, bool last) const;
    std::size_t fieldCount() const;
    Refusal tooLarge() const;

    const HttpLimits& m_limits;
    std::uint64_t m_bodyLimit;
    std::unique_ptr<State> m_state;
};

} // namespace corvane::relay
