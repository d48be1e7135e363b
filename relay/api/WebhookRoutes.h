#pragma once

#include "api/Authenticator.h"
#include "api/ChangeVersions.h"
#include "api/WorkerThread.h"
#include "http/HttpRequest.h"
#include "http/HttpResponse.h"
#include "store/CommitQueue.h"
#include "store/Store.h"

#include <boost/asio/awaitable.hpp>

#include <cstddef>
#include <optional>
#include <string>

namespace corvane::relay {

// GET /webhooks/poll, GET /webhooks/recent, GET /webhooks/listener/<id>/recent, GET /webhooks/<id>
// and POST /webhooks/<id>/delivered. Answers are read, written and compressed on the worker thread,
// from the stored texts as they are. A poll holds payloads whose bodies take at most answerBodyBytes,
// or the first payload whatever its size; a history list holds each body larger than listedBodyBytes
// cut to its first listedBodyBytes at most, so that its length never depends on body sizes.
class WebhookRoutes {
public:
    static constexpr std::size_t answerBodyBytes = std::size_t{8} * 1024 * 1024;
    static constexpr std::size_t listedBodyBytes = std::size_t{64} * 1024;

    // `answerReader` is used on the worker thread only.
    WebhookRoutes(Store& answerReader, WorkerThread& worker, CommitQueue& queue, ChangeVersions& versions);

    // Undelivered payloads oldest first, at most `limit`, and "count": all undelivered.
    boost::asio::awaitable<HttpResponse> poll(const Caller& caller, const HttpRequest& request);
    // Newest first, of the account or of one of its listeners.
    boost::asio::awaitable<HttpResponse> recent(
        const Caller& caller, const HttpRequest& request, std::optional<std::string> listenerId);
    // One payload of the caller's account, its body whole.
    boost::asio::awaitable<HttpResponse> payload(
        const Caller& caller, const HttpRequest& request, std::string payloadId);
    // Idempotent: a payload delivered before keeps its first delivery time.
    boost::asio::awaitable<HttpResponse> markDelivered(const Caller& caller, std::string payloadId);

private:
    Store& m_answerReader;
    WorkerThread& m_worker;
    CommitQueue& m_queue;
    ChangeVersions& m_versions;
};

} // namespace corvane::relay
