#pragma once

#include "http/HttpRequest.h"
#include "http/HttpResponse.h"

#include <boost/asio/awaitable.hpp>

#include <chrono>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string_view>

namespace corvane::relay {

// What a handler makes of the head of a request it takes: how the server reads the rest, and who
// handles it then.
struct Admission {
    // The most body bytes the route reads, when that is fewer than the server's limit. A longer body
    // is answered 413 without reading the rest.
    std::optional<std::uint64_t> maxBodyBytes;
    // Whether handling may wait long for something else to happen. The server then counts the
    // connection against no connection cap while it waits (the handler caps such requests itself),
    // and cancels the handling when the client closes its connection.
    bool holds = false;
    // Handles the request, its body read; called once.
    std::function<boost::asio::awaitable<HttpResponse>(HttpRequest)> handle;
};

// What the server hands every request to, and tells about every response it sent.
class RequestHandler {
public:
    virtual ~RequestHandler() = default;

    // Called once the head of a request is read, before any of its body: how to read and handle the
    // request, or the response that refuses it without reading its body.
    virtual std::expected<Admission, HttpResponse> admit(const HttpRequest& head) = 0;

    // Called once per response written, the server's own refusals (400, 413, 431, 503) included.
    virtual void responded(std::string_view method, const HttpResponse& response, std::string_view remoteAddress,
        std::chrono::steady_clock::duration elapsed)
        = 0;
};

} // namespace corvane::relay
