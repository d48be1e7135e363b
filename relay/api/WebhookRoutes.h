#pragma once

#include "api/Authenticator.h"
#include "http/HttpRequest.h"
#include "http/HttpResponse.h"
#include "store/CommitQueue.h"
#include "store/Store.h"

#include <boost/asio/awaitable.hpp>

#include <optional>
#include <string>

namespace corvane::relay {

// GET /webhooks/poll, GET /webhooks/recent, GET /webhooks/listener/<id>/recent and
// POST /webhooks/<id>/delivered.
class WebhookRoutes {
public:
    WebhookRoutes(Store& reader, CommitQueue& queue);

    // Undelivered payloads oldest first, at most `limit`, and "count": all undelivered.
    HttpResponse poll(const Caller& caller, const HttpRequest& request);
    // Newest first, of the account or of one of its listeners.
    HttpResponse recent(const Caller& caller, const HttpRequest& request, const std::optional<std::string>& listenerId);
    // Idempotent: a payload delivered before keeps its first delivery time.
    boost::asio::awaitable<HttpResponse> markDelivered(const Caller& caller, std::string payloadId);

private:
    Store& m_reader;
    CommitQueue& m_queue;
};

} // namespace corvane::relay
