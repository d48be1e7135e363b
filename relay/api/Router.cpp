#include "api/Router.h"

#include "common/RequestParsing.h"
#include "http/Gzip.h"
#include "store/TimeText.h"

#include <algorithm>
#include <vector>

namespace corvane::relay {
namespace {

HttpResponse methodNotAllowed(const std::vector<std::string_view>& allowed)
{
    std::string list;
    for (const auto method : allowed) {
        list += list.empty() ? "" : ", ";
        list += method;
    }
    auto response = HttpResponse::error(405, "method not allowed here; use " + list);
    response.headers.emplace_back("Allow", list);
    return response;
}

// The identifier between `prefix` and `suffix` when `path` is exactly prefix + identifier + suffix
// and the identifier is a single non-empty path segment.
std::optional<std::string> segmentBetween(std::string_view path, std::string_view prefix, std::string_view suffix)
{
    if (path.size() <= prefix.size() + suffix.size() || !path.starts_with(prefix) || !path.ends_with(suffix)) {
        return std::nullopt;
    }
    const auto segment = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    if (segment.find('/') != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(segment);
}

const std::vector<std::string_view> getOnly{"GET"};
const std::vector<std::string_view> postOnly{"POST"};
const std::vector<std::string_view> getOrPost{"GET", "POST"};

// What the entity tag of an answer adds for its content coding: a gzip-compressed answer is another
// representation (RFC 9110 §8.8.3).
std::string codingOf(const HttpRequest& request)
{
    return Gzip::accepted(request.header("accept-encoding").value_or("")) ? "-gzip" : "";
}

HttpResponse discarded()
{
    return HttpResponse::json(202, {{"id", "discarded"}});
}

// An authorised API route: its name for logs and metrics, its methods and the identifier in its path
// (empty for the routes without one).
struct ApiRoute {
    std::string route;
    std::vector<std::string_view> methods;
    std::string id;
};

std::optional<ApiRoute> apiRoute(std::string_view path)
{
    if (path == "/listeners/") {
        return ApiRoute{"/listeners/", {"GET", "POST"}, {}};
    }
    if (path == "/listeners/suggest-template") {
        return ApiRoute{"/listeners/suggest-template", {"POST"}, {}};
    }
    if (auto id = segmentBetween(path, "/listeners/", "")) {
        return ApiRoute{"/listeners/:id", {"PATCH", "DELETE"}, *std::move(id)};
    }
    if (path == "/webhooks/poll") {
        return ApiRoute{"/webhooks/poll", {"GET"}, {}};
    }
    if (path == "/webhooks/recent") {
        return ApiRoute{"/webhooks/recent", {"GET"}, {}};
    }
    if (auto id = segmentBetween(path, "/webhooks/listener/", "/recent")) {
        return ApiRoute{"/webhooks/listener/:id/recent", {"GET"}, *std::move(id)};
    }
    if (auto id = segmentBetween(path, "/webhooks/", "/delivered")) {
        return ApiRoute{"/webhooks/:id/delivered", {"POST"}, *std::move(id)};
    }
    if (auto id = segmentBetween(path, "/webhooks/", "")) {
        return ApiRoute{"/webhooks/:id", {"GET"}, *std::move(id)};
    }
    if (path == "/changes") {
        return ApiRoute{"/changes", {"GET"}, {}};
    }
    if (path == "/auth/revoke") {
        return ApiRoute{"/auth/revoke", {"POST"}, {}};
    }
    return std::nullopt;
}

// The methods of a route that needs no API key, null for other paths.
const std::vector<std::string_view>* publicMethods(std::string_view path)
{
    if (path == "/healthz" || path == "/metrics") {
        return &getOnly;
    }
    if (path == "/user_management/authorize") {
        return &getOrPost;
    }
    if (path == "/auth/callback") {
        return &postOnly;
    }
    return nullptr;
}

} // namespace

Router::Router(Store& reader, Store& answerReader, WorkerThread& worker, CommitQueue& queue, Metrics& metrics,
    RequestLog& log, ChangeVersions& versions, RouterSettings settings)
    : m_reader(reader), m_queue(queue), m_metrics(metrics), m_log(log), m_settings(std::move(settings)),
      m_limiter(m_settings.rateLimit, m_settings.rateBurst), m_versions(versions), m_changes(m_versions),
      m_authenticator(reader, m_settings.owner, m_settings.signIn.apiToken),
      m_hookTargets(reader, HookTargets::defaultCapacity, m_settings.broadcast, m_settings.hookTargetAge),
      m_hooks(m_hookTargets, queue, metrics, m_limiter, m_versions, worker, m_settings.maxJsonDepth,
          m_settings.maxFormFields),
      m_listeners(
          reader, queue, m_hookTargets, m_versions, m_settings.maxJsonDepth, *m_settings.suggester, m_settings.model),
      m_webhooks(answerReader, worker, queue, m_versions), m_signIn(queue, m_settings.signIn)
{
}

std::optional<HttpResponse> Router::admit(const HttpRequest& head)
{
    std::string route = "unmatched";
    auto refused = refusal(head, route);
    if (refused) {
        refused->route = std::move(route);
    }
    return refused;
}

std::optional<std::uint64_t> Router::maxBodyBytes(const HttpRequest& head) const
{
    if (head.path == "/user_management/authorize" || head.path == "/auth/callback") {
        return SignInRoutes::maxBodyBytes;
    }
    return std::nullopt;
}

bool Router::holds(const HttpRequest& head) const
{
    return head.path == "/changes";
}

std::optional<HttpResponse> Router::refusal(const HttpRequest& head, std::string& route)
{
    const std::string_view path = head.path;
    if (auto token = segmentBetween(path, "/h/", "")) {
        route = "/h/:token";
        if (m_settings.discard) {
            return std::nullopt;
        }
        const auto found = m_hookTargets.find(*token);
        if (!found) {
            return HttpResponse::error(503, "the database is unavailable");
        }
        if (*found == nullptr) {
            return HttpResponse::error(404, "no listener has this hook URL");
        }
        return std::nullopt;
    }
    if (const auto* methods = publicMethods(path)) {
        route = std::string(path);
        if (std::ranges::find(*methods, head.method) == methods->end()) {
            return methodNotAllowed(*methods);
        }
        return std::nullopt;
    }
    const auto matched = apiRoute(path);
    if (!matched) {
        return HttpResponse::error(404, "no such route");
    }
    route = matched->route;
    if (std::ranges::find(matched->methods, head.method) == matched->methods.end()) {
        return methodNotAllowed(matched->methods);
    }
    if (auto caller = m_authenticator.authenticate(head); !caller) {
        return caller.error();
    }
    return std::nullopt;
}

boost::asio::awaitable<HttpResponse> Router::handle(HttpRequest request)
{
    std::string route = "unmatched";
    HttpResponse response = co_await dispatch(request, route);
    response.route = std::move(route);
    co_return response;
}

boost::asio::awaitable<HttpResponse> Router::dispatch(HttpRequest& request, std::string& route)
{
    const std::string_view path = request.path;
    const std::string_view method = request.method;
    if (auto token = segmentBetween(path, "/h/", "")) {
        route = "/h/:token";
        if (m_settings.discard) {
            co_return discarded();
        }
        auto capturing = m_hooks.capture(std::move(request), *std::move(token));
        co_return co_await std::move(capturing);
    }
    if (path == "/healthz") {
        route = "/healthz";
        if (method != "GET") {
            co_return methodNotAllowed(getOnly);
        }
        co_return co_await health();
    }
    if (path == "/metrics") {
        route = "/metrics";
        if (method != "GET") {
            co_return methodNotAllowed(getOnly);
        }
        HttpResponse response;
        response.contentType = "text/plain; version=0.0.4";
        response.body = m_metrics.text(m_reader.payloadCount().value_or(-1), m_versions.waiting());
        co_return response;
    }
    if (path == "/user_management/authorize") {
        route = "/user_management/authorize";
        if (method == "GET") {
            co_return m_signIn.page(request);
        }
        if (method != "POST") {
            co_return methodNotAllowed(getOrPost);
        }
        co_return co_await m_signIn.signIn(request);
    }
    if (path == "/auth/callback") {
        route = "/auth/callback";
        if (method != "POST") {
            co_return methodNotAllowed(postOnly);
        }
        co_return co_await m_signIn.exchange(request, m_settings.maxJsonDepth);
    }
    co_return co_await authorized(request, route);
}

boost::asio::awaitable<HttpResponse> Router::authorized(HttpRequest& request, std::string& route)
{
    const std::string_view method = request.method;
    auto matched = apiRoute(request.path);
    if (!matched) {
        co_return HttpResponse::error(404, "no such route");
    }
    route = matched->route;
    const auto& allowed = matched->methods;
    const auto& id = matched->id;
    if (std::ranges::find(allowed, method) == allowed.end()) {
        co_return methodNotAllowed(allowed);
    }
    auto caller = m_authenticator.authenticate(request);
    if (!caller) {
        co_return caller.error();
    }
    if (route == "/listeners/") {
        if (method == "GET") {
            const auto tag = m_changes.tag(*caller, codingOf(request));
            if (auto unchanged = ChangesRoute::notModified(request, tag)) {
                co_return *std::move(unchanged);
            }
            co_return ChangesRoute::tagged(m_listeners.list(*caller), tag);
        }
        co_return co_await m_listeners.create(*caller, request);
    }
    if (route == "/listeners/suggest-template") {
        auto suggesting = m_listeners.suggestTemplate(request);
        co_return co_await std::move(suggesting);
    }
    if (route == "/listeners/:id") {
        if (method == "PATCH") {
            auto updating = m_listeners.update(*caller, request, id);
            co_return co_await std::move(updating);
        }
        auto removing = m_listeners.remove(*caller, id);
        co_return co_await std::move(removing);
    }
    if (route == "/webhooks/poll") {
        auto polling = m_webhooks.poll(*caller, request);
        co_return co_await std::move(polling);
    }
    if (route == "/webhooks/recent") {
        const auto limit = RequestParsing::limit(request, 0);
        const auto tag = m_changes.tag(*caller, std::to_string(limit.value_or(0)) + codingOf(request));
        if (auto unchanged = ChangesRoute::notModified(request, tag)) {
            co_return *std::move(unchanged);
        }
        auto listing = m_webhooks.recent(*caller, request, std::nullopt);
        co_return ChangesRoute::tagged(co_await std::move(listing), tag);
    }
    if (route == "/changes") {
        auto waiting = m_changes.changes(*caller, request);
        co_return co_await std::move(waiting);
    }
    if (route == "/webhooks/listener/:id/recent") {
        auto listing = m_webhooks.recent(*caller, request, id);
        co_return co_await std::move(listing);
    }
    if (route == "/webhooks/:id") {
        auto reading = m_webhooks.payload(*caller, request, id);
        co_return co_await std::move(reading);
    }
    if (route == "/webhooks/:id/delivered") {
        auto marking = m_webhooks.markDelivered(*caller, id);
        co_return co_await std::move(marking);
    }
    const auto& keyHash = caller->keyHash;
    if (!keyHash) {
        co_return HttpResponse::error(400, "the static API token cannot be revoked; change API_TOKEN instead");
    }
    auto revoking = m_signIn.revoke(*keyHash);
    co_return co_await std::move(revoking);
}

boost::asio::awaitable<HttpResponse> Router::health()
{
    auto writtenWork = [now = TimeText::now()](Store& store) { return store.recordHealthCheck(now); };
    auto written = co_await m_queue.submit(std::move(writtenWork));
    if (!written) {
        co_return HttpResponse::error(503, "the database is not writable: " + written.error().message);
    }
    co_return HttpResponse::json(200, {{"status", "ok"}});
}

void Router::responded(std::string_view method, const HttpResponse& response, std::string_view remoteAddress,
    std::chrono::steady_clock::duration elapsed)
{
    m_metrics.requestAnswered(response.route, response.status);
    m_log.log(remoteAddress, method, response.route, response.status, response.body.size(), elapsed);
}

} // namespace corvane::relay
