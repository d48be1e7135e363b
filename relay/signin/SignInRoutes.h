#pragma once

#include "http/HttpRequest.h"
#include "http/HttpResponse.h"
#include "signin/AuthorizationCodes.h"
#include "signin/SignInThrottle.h"
#include "store/CommitQueue.h"

#include <boost/asio/awaitable.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::relay {

struct SignInPolicy {
    // The owner's static API token; empty when none is configured.
    std::string apiToken;
    std::string ownerEmail;
    std::vector<std::string> redirectUris;
    // Listening on loopback only: with no API token, anyone on this machine may sign in with one
    // click, unless the request came through a proxy (it carries Forwarded or X-Forwarded-For).
    bool loopbackOnly = true;
    std::chrono::seconds codeLifetime{600};
};

// The relay's own sign-in: an OAuth 2.0 authorization-code flow with PKCE (RFC 7636, S256 only).
// GET /user_management/authorize shows the sign-in page, POST to the same path signs in and answers
// a page that sends the browser on to the redirect URI with a code, POST /auth/callback exchanges
// code and verifier for a fresh API key.
class SignInRoutes {
public:
    // A sign-in form or exchange is a few short fields: larger bodies are refused unread.
    static constexpr std::uint64_t maxBodyBytes = std::uint64_t{16} * 1024;
    static constexpr std::size_t maxFormFields = 32;

    SignInRoutes(CommitQueue& queue, SignInPolicy policy);

    HttpResponse page(const HttpRequest& request) const;
    boost::asio::awaitable<HttpResponse> signIn(const HttpRequest& request);
    boost::asio::awaitable<HttpResponse> exchange(const HttpRequest& request, int maxJsonDepth);
    // POST /auth/revoke: forgets the key that authorised the request.
    boost::asio::awaitable<HttpResponse> revoke(std::string keyHash);

private:
    bool oneClick(const HttpRequest& request) const;
    // A page of the sign-in, never cached; `head` and `body` are HTML.
    HttpResponse htmlPage(std::string_view title, std::string_view head, std::string_view body) const;
    // 429 for a client that guessed the API token wrong too often, with the wait as Retry-After.
    HttpResponse tooManyAttempts(std::chrono::seconds wait) const;

    CommitQueue& m_queue;
    SignInPolicy m_policy;
    AuthorizationCodes m_codes;
    SignInThrottle m_throttle;
    std::string m_contentSecurityPolicy;
};

} // namespace corvane::relay
