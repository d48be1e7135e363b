#include "api/WebhookRoutes.h"

#include "api/PayloadJson.h"
#include "api/RequestParsing.h"
#include "store/TimeText.h"

namespace corvane::relay {
namespace {

constexpr std::int64_t defaultPollLimit = 25;
constexpr std::int64_t defaultRecentLimit = 100;

HttpResponse unavailable()
{
    return HttpResponse::error(503, "the database is unavailable");
}

nlohmann::json encoded(const std::vector<Payload>& payloads)
{
    auto json = nlohmann::json::array();
    for (const auto& payload : payloads) {
        json.push_back(PayloadJson::encode(payload));
    }
    return json;
}

} // namespace

WebhookRoutes::WebhookRoutes(Store& reader, CommitQueue& queue) : m_reader(reader), m_queue(queue)
{
}

HttpResponse WebhookRoutes::poll(const Caller& caller, const HttpRequest& request)
{
    const auto limit = RequestParsing::limit(request, defaultPollLimit);
    if (!limit) {
        return limit.error();
    }
    auto page = m_reader.pending(caller.account.id, *limit);
    if (!page) {
        return unavailable();
    }
    return HttpResponse::json(200, {{"webhooks", encoded(page->payloads)}, {"count", page->count}});
}

HttpResponse WebhookRoutes::recent(
    const Caller& caller, const HttpRequest& request, const std::optional<std::string>& listenerId)
{
    const auto limit = RequestParsing::limit(request, defaultRecentLimit);
    if (!limit) {
        return limit.error();
    }
    if (listenerId) {
        auto listener = m_reader.listener(caller.account.id, *listenerId);
        if (!listener) {
            return unavailable();
        }
        if (!*listener) {
            return HttpResponse::error(404, "no such listener");
        }
    }
    auto payloads = m_reader.recent(caller.account.id, listenerId, *limit);
    if (!payloads) {
        return unavailable();
    }
    return HttpResponse::json(200, {{"webhooks", encoded(*payloads)}});
}

boost::asio::awaitable<HttpResponse> WebhookRoutes::markDelivered(const Caller& caller, std::string payloadId)
{
    auto markedWork = [accountId = caller.account.id, payloadId, now = TimeText::now()](
                          Store& store) { return store.markDelivered(accountId, payloadId, now); };
    auto marked = co_await m_queue.submit(std::move(markedWork));
    if (!marked) {
        co_return unavailable();
    }
    co_return *marked ? HttpResponse::empty(204) : HttpResponse::error(404, "no such payload");
}

} // namespace corvane::relay
