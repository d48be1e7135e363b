#pragma once

#include "api/Authenticator.h"
#include "api/ChangeVersions.h"
#include "http/HttpRequest.h"
#include "http/HttpResponse.h"

#include <boost/asio/awaitable.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace corvane::relay {

// GET /changes?after=<version>&wait=<seconds>, answered at once when the caller's version differs
// from `after`, else when it moves or `wait` passes; and the entity tags of the routes it stands for.
class ChangesRoute {
public:
    explicit ChangesRoute(ChangeVersions& versions);

    boost::asio::awaitable<HttpResponse> changes(const Caller& caller, const HttpRequest& request);

    // The strong entity tag of what a route answers `caller` with, from the account's version and
    // `variant` (what else the answer depends on: the query, the content coding).
    std::string tag(const Caller& caller, std::string_view variant) const;
    // 304 with the tag when the request's If-None-Match names it (RFC 9110 §13.1.2), else nothing.
    static std::optional<HttpResponse> notModified(const HttpRequest& request, const std::string& tag);
    // Adds the tag to a 200 answer.
    static HttpResponse tagged(HttpResponse response, const std::string& tag);

private:
    ChangeVersions& m_versions;
};

} // namespace corvane::relay
