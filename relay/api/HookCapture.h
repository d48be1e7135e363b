#pragma once

#include "api/ChangeVersions.h"
#include "api/HookTargets.h"
#include "api/Metrics.h"
#include "api/RateLimiter.h"
#include "api/WorkerThread.h"
#include "http/HttpRequest.h"
#include "http/HttpResponse.h"
#include "store/CommitQueue.h"
#include "store/Store.h"

#include <boost/asio/awaitable.hpp>

#include <cstddef>
#include <expected>
#include <string>

namespace corvane::relay {

// Captures requests sent to a listener's hook path, any method, and acknowledges them with 202 only
// once their row is committed. A large body is checked and read on the worker thread. For a listener
// that verifies signatures, a request that fails is answered 401 without being stored (reject mode)
// or stored with the reason (mark mode), and a verified retry of a stored webhook-id is answered 200
// {"replayed":true} without being stored again.
class HookCapture {
public:
    HookCapture(HookTargets& targets, CommitQueue& queue, Metrics& metrics, RateLimiter& limiter,
        ChangeVersions& versions, WorkerThread& worker, int maxJsonDepth, std::size_t maxFormFields);

    boost::asio::awaitable<HttpResponse> capture(HttpRequest request, std::string token);

private:
    // What gets stored of a request: lower-case header names (repeated fields joined with ", "),
    // query items (a repeated key keeps all its values as an array), the body's kind (JSON, else form
    // fields for a form-encoded body of at most maxFormFields fields, else none) and the raw bytes,
    // moved out of the request, and the signature's outcome. A JSON body nested too deeply is refused
    // with its 400 instead, and a request whose signature fails in reject mode with its 401.
    std::expected<Capture, HttpResponse> captureOf(HttpRequest&& request, const HookTarget& target) const;

    HookTargets& m_targets;
    CommitQueue& m_queue;
    Metrics& m_metrics;
    RateLimiter& m_limiter;
    ChangeVersions& m_versions;
    WorkerThread& m_worker;
    int m_maxJsonDepth;
    std::size_t m_maxFormFields;
};

} // namespace corvane::relay
