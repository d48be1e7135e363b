#pragma once

#include "http/HttpRequest.h"
#include "http/HttpResponse.h"

#include <boost/asio/awaitable.hpp>

#include <chrono>
#include <string_view>

namespace corvane::relay {

// What the server hands every request to, and tells about every response it sent.
class RequestHandler {
public:
    virtual ~RequestHandler() = default;

    virtual boost::asio::awaitable<HttpResponse> handle(HttpRequest request) = 0;

    // Called once per response written, the server's own refusals (413, 431, 400) included.
    virtual void responded(std::string_view method, const HttpResponse& response, std::string_view remoteAddress,
        std::chrono::steady_clock::duration elapsed)
        = 0;
};

} // namespace corvane::relay
