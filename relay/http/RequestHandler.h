#pragma once

#include "http/HttpRequest.h"
#include "http/HttpResponse.h"

#include <boost/asio/awaitable.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane::relay {

// What the server hands every request to, and tells about every response it sent.
class RequestHandler {
public:
    virtual ~RequestHandler() = default;

    // Called once the head of a request is read, before any of its body: the response that refuses
    // the request without reading its body, or nothing to read the body and handle the request.
    virtual std::optional<HttpResponse> admit(const HttpRequest& head) = 0;
    // For an admitted request: the most body bytes its route reads, when that is fewer than the
    // server's limit. A longer body is answered 413 without reading the rest.
    virtual std::optional<std::uint64_t> maxBodyBytes(const HttpRequest& head) const = 0;

    // Whether handling the admitted request may wait long for something else to happen. The server
    // then counts the connection against no connection cap while it waits (the handler caps such
    // requests itself), and cancels the handling when the client closes its connection.
    virtual bool holds(const HttpRequest& head) const = 0;

    virtual boost::asio::awaitable<HttpResponse> handle(HttpRequest request) = 0;

    // Called once per response written, the server's own refusals (400, 413, 431, 503) included.
    virtual void responded(std::string_view method, const HttpResponse& response, std::string_view remoteAddress,
        std::chrono::steady_clock::duration elapsed)
        = 0;
};

} // namespace corvane::relay
