#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::relay {

// One HTTP request as the routes see it, free of the server library's types.
struct HttpRequest {
    std::string method;
    // The path without its query, still percent-encoded.
    std::string path;
    // The text after "?", empty when there is none.
    std::string query;
    bool hasQuery = false;
    // Every header field in arrival order, names lower-cased.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string remoteAddress;
    // The address the client's requests count under: an IPv6 client by its /64 prefix.
    std::string client;

    // The first field of that (lower-case) name.
    std::optional<std::string_view> header(std::string_view name) const;
};

} // namespace corvane::relay
