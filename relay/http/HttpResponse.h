#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::relay {

// One HTTP response as the routes build it. `route` names the matched route for the request log and
// the metrics ("/listeners/:id"); it never holds an identifier, a token or a key.
struct HttpResponse {
    unsigned status = 200;
    // Always one of a few fixed media types, written as literals.
    std::string_view contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string route = "unmatched";

    static HttpResponse json(unsigned status, const nlohmann::json& body);
    // {"error": message}; a 503 says, with Retry-After, to try again in a second: whatever was
    // unavailable (the database, a connection slot) is expected back soon.
    static HttpResponse error(unsigned status, std::string_view message);
    static HttpResponse empty(unsigned status);
};

} // namespace corvane::relay
