#include "api/Router.h"

#include "common/RequestParsing.h"
#include "http/Gzip.h"
#include "store/TimeText.h"

#include <algorithm>
#include <array>
#include <ranges>

namespace corvane::relay {
namespace {

// The rows of one pattern list the methods it serves.
template <class Rows> HttpResponse methodNotAllowed(const Rows& rows)
{
    std::string list;
    for (const auto& row : rows) {
        list += list.empty() ? "" : ", ";
        list += row.method;
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

// When `path` matches `pattern`: the segment it gives the pattern's ":name", empty for a pattern
// without one.
std::optional<std::string> matched(std::string_view pattern, std::string_view path)
{
    const auto colon = pattern.find(':');
    if (colon == std::string_view::npos) {
        return pattern == path ? std::optional<std::string>(std::in_place) : std::nullopt;
    }
    const auto suffix = pattern.find('/', colon);
    return segmentBetween(
        path, pattern.substr(0, colon), suffix == std::string_view::npos ? "" : pattern.substr(suffix));
}

// What the entity tag of an answer adds for its content coding: a gzip-compressed answer is another
// representation (RFC 9110 §8.8.3).
std::string codingOf(const HttpRequest& request)
{
    return Gzip::accepted(request.header("accept-encoding").value_or("")) ? "-gzip" : "";
}

// The answer of a route that needs no waiting, as the awaitable every handler gives.
boost::asio::awaitable<HttpResponse> ready(HttpResponse response)
{
    co_return response;
}

HttpResponse refused(HttpResponse response, std::string_view route)
{
    response.route = std::string(route);
    return response;
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

std::span<const Router::Route> Router::routes()
{
    using enum Credential;
    constexpr auto signInBytes = SignInRoutes::maxBodyBytes;
    constexpr std::optional<std::uint64_t> serverLimit;
    static const std::array table{
        Route{"/h/:token", "", hookToken,
            [](Router& router, Call& call) {
                return router.m_settings.discard ? ready(HttpResponse::json(202, {{"id", "discarded"}}))
                                                 : router.m_hooks.capture(std::move(call.request), std::move(call.id));
            },
            serverLimit, false},
        Route{"/healthz", "GET", none, [](Router& router, Call& /*call*/) { return router.health(); }, serverLimit,
            false},
        Route{"/metrics", "GET", none, [](Router& router, Call& /*call*/) { return ready(router.metrics()); },
            serverLimit, false},
        Route{"/user_management/authorize", "GET", none,
            [](Router& router, Call& call) { return ready(router.m_signIn.page(call.request)); }, signInBytes, false},
        Route{"/user_management/authorize", "POST", none,
            [](Router& router, Call& call) { return router.m_signIn.signIn(call.request); }, signInBytes, false},
        Route{"/auth/callback", "POST", none,
            [](Router& router, Call& call) {
                return router.m_signIn.exchange(call.request, router.m_settings.maxJsonDepth);
            },
            signInBytes, false},
        Route{"/listeners/", "GET", apiKey, [](Router& router, Call& call) { return ready(router.listeners(call)); },
            serverLimit, false},
        Route{"/listeners/", "POST", apiKey,
            [](Router& router, Call& call) { return router.m_listeners.create(call.caller, call.request); },
            serverLimit, false},
        Route{"/listeners/suggest-template", "POST", apiKey,
            [](Router& router, Call& call) { return router.m_listeners.suggestTemplate(call.request); }, serverLimit,
            false},
        Route{"/listeners/:id", "PATCH", apiKey,
            [](Router& router, Call& call) {
                return router.m_listeners.update(call.caller, call.request, std::move(call.id));
            },
            serverLimit, false},
        Route{"/listeners/:id", "DELETE", apiKey,
            [](Router& router, Call& call) { return router.m_listeners.remove(call.caller, std::move(call.id)); },
            serverLimit, false},
        Route{"/webhooks/poll", "GET", apiKey,
            [](Router& router, Call& call) { return router.m_webhooks.poll(call.caller, call.request); }, serverLimit,
            false},
        Route{"/webhooks/recent", "GET", apiKey, [](Router& router, Call& call) { return router.recent(call); },
            serverLimit, false},
        Route{"/webhooks/listener/:id/recent", "GET", apiKey,
            [](Router& router, Call& call) {
                return router.m_webhooks.recent(call.caller, call.request, std::move(call.id));
            },
            serverLimit, false},
        Route{"/webhooks/:id/delivered", "POST", apiKey,
            [](Router& router, Call& call) { return router.m_webhooks.markDelivered(call.caller, std::move(call.id)); },
            serverLimit, false},
        Route{"/webhooks/:id", "GET", apiKey,
            [](Router& router, Call& call) {
                return router.m_webhooks.payload(call.caller, call.request, std::move(call.id));
            },
            serverLimit, false},
        Route{"/changes", "GET", apiKey,
            [](Router& router, Call& call) { return router.m_changes.changes(call.caller, call.request); }, serverLimit,
            true},
        Route{"/auth/revoke", "POST", apiKey,
            [](Router& router, Call& call) {
                const auto& keyHash = call.caller.keyHash;
                return keyHash ? router.m_signIn.revoke(*keyHash)
                               : ready(HttpResponse::error(
                                     400, "the static API token cannot be revoked; change API_TOKEN instead"));
            },
            serverLimit, false},
    };
    return table;
}

std::expected<Admission, HttpResponse> Router::admit(const HttpRequest& head)
{
    const auto table = routes();
    std::optional<std::string> id;
    const auto first = std::ranges::find_if(
        table, [&](const Route& route) { return (id = matched(route.pattern, head.path)).has_value(); });
    if (!id) {
        return std::unexpected(HttpResponse::error(404, "no such route"));
    }
    const std::ranges::subrange rows(first,
        std::ranges::find_if(first, table.end(), [&](const Route& row) { return row.pattern != first->pattern; }));
    const auto row = std::ranges::find_if(
        rows, [&](const Route& route) { return route.method.empty() || route.method == head.method; });
    if (row == rows.end()) {
        return std::unexpected(refused(methodNotAllowed(rows), first->pattern));
    }
    Call call{{}, {}, *std::move(id)};
    if (row->credential == Credential::apiKey) {
        auto caller = m_authenticator.authenticate(head);
        if (!caller) {
            return std::unexpected(refused(std::move(caller.error()), row->pattern));
        }
        call.caller = *std::move(caller);
    } else if (row->credential == Credential::hookToken) {
        if (auto unknown = hookRefusal(call.id)) {
            return std::unexpected(refused(*std::move(unknown), row->pattern));
        }
    }
    return Admission{
        row->maxBodyBytes, row->holds, [this, route = &*row, call = std::move(call)](HttpRequest request) mutable {
            call.request = std::move(request);
            return run(*route, std::move(call));
        }};
}

std::optional<HttpResponse> Router::hookRefusal(const std::string& token)
{
    if (m_settings.discard) {
        return std::nullopt;
    }
    const auto found = m_hookTargets.find(token);
    if (!found) {
        return HttpResponse::error(503, "the database is unavailable");
    }
    if (*found == nullptr) {
        return HttpResponse::error(404, "no listener has this hook URL");
    }
    return std::nullopt;
}

boost::asio::awaitable<HttpResponse> Router::run(const Route& route, Call call)
{
    // The handler's awaitable may refer to `call`, which lives here until it is done.
    auto handling = route.handler(*this, call);
    auto response = co_await std::move(handling);
    response.route = std::string(route.pattern);
    co_return response;
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

HttpResponse Router::metrics() const
{
    HttpResponse response;
    response.contentType = "text/plain; version=0.0.4";
    response.body = m_metrics.text(m_reader.payloadCount().value_or(-1), m_versions.waiting());
    return response;
}

HttpResponse Router::listeners(const Call& call)
{
    const auto tag = m_changes.tag(call.caller, codingOf(call.request));
    if (auto unchanged = ChangesRoute::notModified(call.request, tag)) {
        return *std::move(unchanged);
    }
    return ChangesRoute::tagged(m_listeners.list(call.caller), tag);
}

boost::asio::awaitable<HttpResponse> Router::recent(const Call& call)
{
    const auto limit = RequestParsing::limit(call.request, 0);
    const auto tag = m_changes.tag(call.caller, std::to_string(limit.value_or(0)) + codingOf(call.request));
    if (auto unchanged = ChangesRoute::notModified(call.request, tag)) {
        co_return *std::move(unchanged);
    }
    auto listing = m_webhooks.recent(call.caller, call.request, std::nullopt);
    co_return ChangesRoute::tagged(co_await std::move(listing), tag);
}

void Router::responded(std::string_view method, const HttpResponse& response, std::string_view remoteAddress,
    std::chrono::steady_clock::duration elapsed)
{
    m_metrics.requestAnswered(response.route, response.status);
    m_log.log(remoteAddress, method, response.route, response.status, response.body.size(), elapsed);
}

} // namespace corvane::relay
