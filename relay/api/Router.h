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
#include <optional>

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

// Matches each request to its route, checks the method and the API key, and hands it on. Logs every
// response and counts it in the metrics.
class Router final : public RequestHandler {
public:
    // `reader` is used on the I/O thread, `answerReader` on the worker thread only.
    Router(Store& reader, Store& answerReader, WorkerThread& worker, CommitQueue& queue, Metrics& metrics,
        RequestLog& log, ChangeVersions& versions, RouterSettings settings);

    // Refuses on the head alone what handle() would refuse: an unknown route or hook token, a method
    // the route does not take, an API request without a valid key.
    std::optional<HttpResponse> admit(const HttpRequest& head) override;
    std::optional<std::uint64_t> maxBodyBytes(const HttpRequest& head) const override;
    bool holds(const HttpRequest& head) const override;
    boost::asio::awaitable<HttpResponse> handle(HttpRequest request) override;
    void responded(std::string_view method, const HttpResponse& response, std::string_view remoteAddress,
        std::chrono::steady_clock::duration elapsed) override;

    HookTargets& hookTargets() { return m_hookTargets; }

private:
    std::optional<HttpResponse> refusal(const HttpRequest& head, std::string& route);
    boost::asio::awaitable<HttpResponse> dispatch(HttpRequest& request, std::string& route);
    boost::asio::awaitable<HttpResponse> authorized(HttpRequest& request, std::string& route);
    boost::asio::awaitable<HttpResponse> health();

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
