#pragma once

#include "api/Authenticator.h"
#include "api/ChangeVersions.h"
#include "api/ChangesRoute.h"
#include "api/HookCapture.h"
#include "api/HookTargets.h"
#include "api/ListenerRoutes.h"
#include "api/Metrics.h"
#include "api/RateLimiter.h"
#include "api/RequestLog.h"
#include "api/WebhookRoutes.h"
#include "api/WorkerThread.h"
#include "http/RequestHandler.h"
#include "signin/SignInRoutes.h"
#include "store/ChangeBroadcast.h"
#include "store/CommitQueue.h"
#include "store/Store.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace corvane::relay {

struct RouterSettings {
    AccountRecord owner;
    SignInPolicy signIn;
    int maxJsonDepth = 64;
    std::uint32_t maxFormFields = 1000;
    double rateLimit = 0;
    double rateBurst = 1;
    // Answer hook requests with 202 without looking anything up or storing them.
    bool discard = false;
    // Where listener changes are announced to other instances on the same database, and how long a
    // cached hook target is trusted then.
    ChangeBroadcast* broadcast = nullptr;
    std::optional<std::chrono::steady_clock::duration> hookTargetAge;
    // Template suggestions: the rules, and the model asked first when one is configured.
    const TemplateSuggester* suggester = nullptr;
    ModelSuggester* model = nullptr;
};

// Matches the head of each request to one route of its table, checks the method and the credential
// the route needs, and hands the request, once read, to the route's handler. Logs every response and
// counts it in the metrics.
class Router final : public RequestHandler {
public:
    // `reader` is used on the I/O thread, `answerReader` on the worker thread only.
    Router(Store& reader, Store& answerReader, WorkerThread& worker, CommitQueue& queue, Metrics& metrics,
        RequestLog& log, ChangeVersions& versions, RouterSettings settings);

    // Refuses an unknown route, a method the route does not take (405 with Allow), then a hook token
    // no listener has or an API request without a valid key.
    std::expected<Admission, HttpResponse> admit(const HttpRequest& head) override;
    void responded(std::string_view method, const HttpResponse& response, std::string_view remoteAddress,
        std::chrono::steady_clock::duration elapsed) override;

    HookTargets& hookTargets() { return m_hookTargets; }

private:
    // What a handler is given: the request, who sent it (for a route that needs an API key; nobody's
    // account otherwise), and the segment its path gives the route's ":name".
    struct Call {
        HttpRequest request;
        Caller caller;
        std::string id;
    };
    enum class Credential { none, hookToken, apiKey };
    // Gives the route's answer; what it awaits may refer to `call`, which outlives it.
    using Handler = boost::asio::awaitable<HttpResponse> (*)(Router& router, Call& call);
    // One method of one path. `pattern` is the path, with ":name" standing for one non-empty segment,
    // and names the route in logs and metrics; the rows of one pattern follow each other, and an empty
    // `method` takes every method.
    struct Route {
        std::string_view pattern;
        std::string_view method;
        Credential credential;
        Handler handler;
        std::optional<std::uint64_t> maxBodyBytes;
        bool holds;
    };

    static std::span<const Route> routes();
    std::optional<HttpResponse> hookRefusal(const std::string& token);
    boost::asio::awaitable<HttpResponse> run(const Route& route, Call call);
    boost::asio::awaitable<HttpResponse> health();
    HttpResponse metrics() const;
    HttpResponse listeners(const Call& call);
    boost::asio::awaitable<HttpResponse> recent(const Call& call);

    Store& m_reader;
    CommitQueue& m_queue;
    Metrics& m_metrics;
    RequestLog& m_log;
    RouterSettings m_settings;
    RateLimiter m_limiter;
    ChangeVersions& m_versions;
    ChangesRoute m_changes;
    Authenticator m_authenticator;
    HookTargets m_hookTargets;
    HookCapture m_hooks;
    ListenerRoutes m_listeners;
    WebhookRoutes m_webhooks;
    SignInRoutes m_signIn;
};

} // namespace corvane::relay
