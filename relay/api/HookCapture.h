#pragma once

#include "api/HookTargets.h"
#include "api/Metrics.h"
#include "api/RateLimiter.h"
#include "http/HttpRequest.h"
#include "http/HttpResponse.h"
#include "store/CommitQueue.h"
#include "store/Store.h"

#include <boost/asio/awaitable.hpp>

#include <string>

namespace corvane::relay {

// Captures requests sent to a listener's hook path, any method, and acknowledges them with 202 only
// once their row is committed.
class HookCapture {
public:
    HookCapture(HookTargets& targets, CommitQueue& queue, Metrics& metrics, RateLimiter& limiter, int maxJsonDepth);

    boost::asio::awaitable<HttpResponse> capture(HttpRequest request, std::string token);

    // What gets stored of a request: lower-case header names (repeated fields joined with ", "),
    // query items (a repeated key keeps all its values as an array), the body's kind (JSON when
    // `bodyIsJson`, else form fields for a form-encoded body, else none) and the raw bytes, moved out
    // of the request.
    static Capture captureOf(HttpRequest&& request, const HookTarget& target, bool bodyIsJson);

private:
    HookTargets& m_targets;
    CommitQueue& m_queue;
    Metrics& m_metrics;
    RateLimiter& m_limiter;
    int m_maxJsonDepth;
};

} // namespace corvane::relay
