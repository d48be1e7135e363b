#include "signin/SignInRoutes.h"

#include "common/RequestParsing.h"
#include "common/Secrets.h"
#include "http/FormEncoding.h"
#include "store/TimeText.h"

#include "model/Account.h"

#include <simdjson.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>

namespace corvane::relay {
namespace {

constexpr std::size_t keyBytes = 32;
constexpr std::size_t longestEmail = 254;
const std::string accountTier = "self-hosted";

// The authorization request, read from a query or a posted form.
struct AuthorizationRequest {
    std::string clientId;
    std::string redirectUri;
    std::string challenge;
    std::string provider;
    std::string state;
};

std::string field(const nlohmann::json& fields, const char* name)
{
    const auto found = fields.find(name);
    return found != fields.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// The fields of a sign-in query or form, or the 400 for one with more than a sign-in needs.
std::expected<nlohmann::json, HttpResponse> signInFields(std::string_view text)
{
    auto fields = FormEncoding::fields(text, SignInRoutes::maxFormFields);
    if (!fields) {
        return std::unexpected(HttpResponse::error(
            400, "a sign-in form has " + std::to_string(SignInRoutes::maxFormFields) + " fields at most"));
    }
    return *std::move(fields);
}

std::expected<AuthorizationRequest, HttpResponse> authorizationRequest(
    const nlohmann::json& fields, const std::vector<std::string>& redirectUris)
{
    static const std::regex clientIdForm("client_[0-9A-Z]{26}");
    static const std::regex challengeForm("[A-Za-z0-9_-]{43}");
    AuthorizationRequest request{field(fields, "client_id"), field(fields, "redirect_uri"),
        field(fields, "code_challenge"), field(fields, "provider"), field(fields, "state")};
    if (field(fields, "response_type") != "code") {
        return std::unexpected(HttpResponse::error(400, "response_type must be code"));
    }
    if (field(fields, "code_challenge_method") != "S256") {
        return std::unexpected(HttpResponse::error(400, "code_challenge_method must be S256"));
    }
    if (!std::regex_match(request.clientId, clientIdForm)) {
        return std::unexpected(HttpResponse::error(400, "client_id must be client_ and 26 digits or capitals"));
    }
    if (std::ranges::find(redirectUris, request.redirectUri) == redirectUris.end()) {
        return std::unexpected(HttpResponse::error(400, "redirect_uri is not registered with this relay"));
    }
    if (!std::regex_match(request.challenge, challengeForm)) {
        return std::unexpected(HttpResponse::error(400, "code_challenge must be 43 base64url characters"));
    }
    return request;
}

std::string escaped(std::string_view text)
{
    std::string result;
    for (const char character : text) {
        switch (character) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        case '\'':
            result += "&#39;";
            break;
        default:
            result += character;
        }
    }
    return result;
}

std::string hidden(std::string_view name, std::string_view value)
{
    std::string input = R"(<input type="hidden" name=")";
    input += name;
    input += R"(" value=")";
    input += escaped(value);
    input += "\">\n";
    return input;
}

std::string percentEncoded(std::string_view text)
{
    static constexpr std::string_view digits = "0123456789ABCDEF";
    std::string result;
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (std::isalnum(byte) || character == '-' || character == '_' || character == '.' || character == '~') {
            result += character;
        } else {
            result += '%';
            result += digits[byte >> 4];
            result += digits[byte & 0x0f];
        }
    }
    return result;
}

bool plausibleEmail(std::string_view email)
{
    const auto at = email.find('@');
    return at != std::string_view::npos && at > 0 && at + 1 < email.size() && email.size() <= longestEmail
        && std::ranges::none_of(email,
            [](char character) {
                const auto byte = static_cast<unsigned char>(character);
                return byte <= ' ' || byte == 0x7f || character == '<' || character == '>';
            })
        && simdjson::validate_utf8(email.data(), email.size());
}

// RFC 7636, section 4.1: 43 to 128 unreserved characters.
bool wellFormedVerifier(const std::string& verifier)
{
    static const std::regex verifierForm("[A-Za-z0-9._~-]{43,128}");
    return std::regex_match(verifier, verifierForm);
}

// The sign-in pages load nothing, run no script and show in no other page's frame (the one-click page
// must not be clicked through a disguise). A form may post to this relay and go on, directly or through
// a redirect (CSP Level 3 applies form-action to both), to the scheme of a registered redirect URI
// (RFC 3986, section 3.1); nowhere else.
std::string contentSecurityPolicy(const std::vector<std::string>& redirectUris)
{
    static const std::regex schemeForm("[A-Za-z][A-Za-z0-9+.-]*");
    std::set<std::string> schemes;
    for (const auto& uri : redirectUris) {
        std::string scheme = uri.substr(0, uri.find(':'));
        if (scheme.size() < uri.size() && std::regex_match(scheme, schemeForm)) {
            std::ranges::transform(scheme, scheme.begin(),
                [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
            schemes.insert(std::move(scheme));
        }
    }
    std::string policy = "default-src 'none'; style-src 'unsafe-inline'; frame-ancestors 'none'; form-action 'self'";
    for (const auto& scheme : schemes) {
        policy += ' ' + scheme + ':';
    }
    return policy;
}

} // namespace

SignInRoutes::SignInRoutes(CommitQueue& queue, SignInPolicy policy)
    : m_queue(queue), m_policy(std::move(policy)), m_codes(m_policy.codeLifetime),
      m_contentSecurityPolicy(contentSecurityPolicy(m_policy.redirectUris))
{
}

bool SignInRoutes::oneClick(const HttpRequest& request) const
{
    const bool proxied = request.header("forwarded") || request.header("x-forwarded-for");
    return m_policy.loopbackOnly && m_policy.apiToken.empty() && !proxied;
}

HttpResponse SignInRoutes::page(const HttpRequest& request) const
{
    const auto fields = signInFields(request.query);
    if (!fields) {
        return fields.error();
    }
    auto authorization = authorizationRequest(*fields, m_policy.redirectUris);
    if (!authorization) {
        return authorization.error();
    }
    std::string html = "<h1>Sign in to Corvane</h1>\n<form method=\"post\" action=\"/user_management/authorize\">\n";
    html += hidden("client_id", authorization->clientId);
    html += hidden("redirect_uri", authorization->redirectUri);
    html += hidden("response_type", "code");
    html += hidden("provider", authorization->provider);
    html += hidden("code_challenge", authorization->challenge);
    html += hidden("code_challenge_method", "S256");
    if (!authorization->state.empty()) {
        html += hidden("state", authorization->state);
    }
    html += "<label for=\"email\">Account e-mail</label>\n<input id=\"email\" name=\"email\" type=\"email\" value=\""
        + escaped(m_policy.ownerEmail) + "\">\n";
    if (oneClick(request)) {
        html += "<p>This relay listens on this machine only, so you can sign in without a token.</p>\n"
                "<button type=\"submit\">Sign in</button>\n";
    } else {
        html += "<label for=\"api_token\">Relay API token</label>\n"
                "<input id=\"api_token\" name=\"api_token\" type=\"password\" autocomplete=\"off\" required>\n"
                "<button type=\"submit\">Sign in</button>\n";
    }
    html += "</form>\n";
    return htmlPage("Sign in to Corvane", {}, html);
}

HttpResponse SignInRoutes::htmlPage(std::string_view title, std::string_view head, std::string_view body) const
{
    HttpResponse response;
    response.contentType = "text/html; charset=utf-8";
    response.headers.emplace_back("Cache-Control", "no-store");
    response.headers.emplace_back("Content-Security-Policy", m_contentSecurityPolicy);
    response.body = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">";
    response.body += head;
    response.body += "<title>";
    response.body += title;
    response.body += "</title><style>body{font:15px system-ui,sans-serif;max-width:22em;margin:4em auto;"
                     "padding:0 1em}label{display:block;margin:1em 0 .3em}input{width:100%;padding:.4em;"
                     "box-sizing:border-box}button{margin-top:1.2em;padding:.5em 1.2em}</style></head><body>\n";
    response.body += body;
    response.body += "</body></html>\n";
    return response;
}

HttpResponse SignInRoutes::tooManyAttempts(std::chrono::seconds wait) const
{
    const auto seconds = std::to_string(wait.count());
    auto response = htmlPage("Too many attempts", {},
        "<h1>Too many attempts</h1>\n<p>The relay API token was wrong too many times. Wait " + seconds
            + " seconds before you try again; trying sooner makes the wait longer.</p>\n");
    response.status = 429;
    response.headers.emplace_back("Retry-After", seconds);
    return response;
}

boost::asio::awaitable<HttpResponse> SignInRoutes::signIn(const HttpRequest& request)
{
    const auto fields = signInFields(request.body);
    if (!fields) {
        co_return fields.error();
    }
    auto authorization = authorizationRequest(*fields, m_policy.redirectUris);
    if (!authorization) {
        co_return authorization.error();
    }
    if (!oneClick(request)) {
        if (m_policy.apiToken.empty()) {
            co_return HttpResponse::error(401, "this relay has no API token; set API_TOKEN to sign in from elsewhere");
        }
        const auto now = SignInThrottle::Clock::now();
        if (const auto wait = m_throttle.refuse(request.client, now)) {
            co_return tooManyAttempts(*wait);
        }
        if (!Secrets::equal(field(*fields, "api_token"), m_policy.apiToken)) {
            if (const auto wait = m_throttle.failed(request.client, now)) {
                co_return tooManyAttempts(*wait);
            }
            co_return HttpResponse::error(401, "wrong relay API token");
        }
        m_throttle.succeeded(request.client);
    }
    std::string email = field(*fields, "email");
    email = email.empty() ? m_policy.ownerEmail : email;
    if (!plausibleEmail(email)) {
        co_return HttpResponse::error(400, "email must be an e-mail address");
    }
    const AccountRecord candidate{Secrets::randomId("acc_"), email, accountTier};
    auto accountWork = [candidate, now = TimeText::now()](Store& store) { return store.ensureAccount(candidate, now); };
    auto account = co_await m_queue.submit(std::move(accountWork));
    if (!account) {
        co_return HttpResponse::error(503, "the database is unavailable");
    }
    const std::string code = m_codes.issue(*account, authorization->challenge, TimeText::now());
    std::string location = authorization->redirectUri;
    location += location.find('?') == std::string::npos ? '?' : '&';
    location += "code=" + code;
    if (!authorization->state.empty()) {
        location += "&state=" + percentEncoded(authorization->state);
    }
    // A page, not a redirect: a browser that hands the link to the app leaves the tab where it was, so
    // the page itself says what happens next. Its refresh sends the browser on at once; the link is for
    // whoever declined the browser's question.
    const std::string link = escaped(location);
    const std::string body = "<h1>Signed in</h1>\n<p>Return to Corvane &mdash; you can close this tab.</p>\n"
                             "<p>Corvane did not open? <a href=\""
        + link + "\">Open Corvane</a></p>\n";
    co_return htmlPage("Signed in to Corvane", R"(<meta http-equiv="refresh" content="0; url=)" + link + "\">", body);
}

boost::asio::awaitable<HttpResponse> SignInRoutes::exchange(const HttpRequest& request, int maxJsonDepth)
{
    auto body = RequestParsing::jsonObject(request, maxJsonDepth);
    if (!body) {
        co_return body.error();
    }
    const auto code = body->find("code");
    if (code == body->end() || !code->is_string()) {
        co_return HttpResponse::error(400, "code is required");
    }
    const auto verifier = body->find("code_verifier");
    if (verifier == body->end() || !verifier->is_string()) {
        co_return HttpResponse::error(400, "code_verifier is required");
    }
    if (!wellFormedVerifier(verifier->get<std::string>())) {
        co_return HttpResponse::error(400, R"(code_verifier must be 43 to 128 letters, digits, "-", ".", "_" or "~")");
    }
    auto account = m_codes.redeem(code->get<std::string>(), verifier->get<std::string>(), TimeText::now());
    if (!account) {
        co_return HttpResponse::error(400, account.error());
    }
    const std::string key = "crv_" + Secrets::randomToken(keyBytes);
    auto storedWork = [hash = Secrets::keyHash(key), accountId = account->id, now = TimeText::now()](
                          Store& store) { return store.addApiKey(hash, accountId, now); };
    auto stored = co_await m_queue.submit(std::move(storedWork));
    if (!stored) {
        co_return HttpResponse::error(503, "the database is unavailable");
    }
    const Account record{account->id, account->email, account->tier};
    auto response = HttpResponse::json(200, {{"api_key", key}, {"account", record.toJson()}});
    response.headers.emplace_back("Cache-Control", "no-store");
    co_return response;
}

boost::asio::awaitable<HttpResponse> SignInRoutes::revoke(std::string keyHash)
{
    auto revokedWork = [keyHash](Store& store) { return store.revokeApiKey(keyHash); };
    auto revoked = co_await m_queue.submit(std::move(revokedWork));
    if (!revoked) {
        co_return HttpResponse::error(503, "the database is unavailable");
    }
    co_return HttpResponse::empty(204);
}

} // namespace corvane::relay
