#include "api/WebhookRoutes.h"

#include "api/PayloadJson.h"
#include "common/RequestParsing.h"
#include "http/Gzip.h"
#include "store/TimeText.h"

namespace corvane::relay {
namespace {

constexpr std::int64_t defaultPollLimit = 25;
constexpr std::int64_t defaultRecentLimit = 100;
// Answers at least this large are compressed on the worker thread; the server compresses smaller ones.
constexpr std::size_t compressedHere = std::size_t{64} * 1024;
// Room for the members of a payload other than its texts.
constexpr std::size_t payloadOverhead = 512;

HttpResponse unavailable()
{
    return HttpResponse::error(503, "the database is unavailable");
}

bool acceptsGzip(const HttpRequest& request)
{
    return Gzip::accepted(request.header("accept-encoding").value_or(""));
}

// Room for the payload's JSON, its raw body counted twice (for escapes or base64).
std::size_t jsonSize(const StoredPayload& payload)
{
    return payloadOverhead + payload.notificationConfig.size() + payload.headers.size()
        + (payload.query ? payload.query->size() : 0) + (payload.formBody ? payload.formBody->size() : 0)
        + 2 * payload.rawBody.size();
}

// Appends the payloads as a JSON array, letting go of each one's texts once it is written.
void appendPayloads(std::string& out, std::vector<StoredPayload>& payloads)
{
    std::size_t size = out.size() + 2;
    for (const auto& payload : payloads) {
        size += jsonSize(payload);
    }
    out.reserve(size);
    out += '[';
    for (auto& payload : payloads) {
        out += out.back() == '[' ? "" : ",";
        PayloadJson::append(out, payload);
        payload = StoredPayload();
    }
    out += ']';
}

HttpResponse answer(std::string body, bool gzip)
{
    HttpResponse response;
    if (gzip && body.size() >= compressedHere) {
        if (auto packed = Gzip::compress(body)) {
            response.body = *std::move(packed);
            response.headers.emplace_back("Content-Encoding", "gzip");
            response.headers.emplace_back("Vary", "Accept-Encoding");
            return response;
        }
    }
    response.body = std::move(body);
    return response;
}

} // namespace

WebhookRoutes::WebhookRoutes(Store& answerReader, WorkerThread& worker, CommitQueue& queue, ChangeVersions& versions)
    : m_answerReader(answerReader), m_worker(worker), m_queue(queue), m_versions(versions)
{
}

boost::asio::awaitable<HttpResponse> WebhookRoutes::poll(const Caller& caller, const HttpRequest& request)
{
    const auto limit = RequestParsing::limit(request, defaultPollLimit);
    if (!limit) {
        co_return limit.error();
    }
    auto answering = [this, accountId = caller.account.id, limit = *limit, gzip = acceptsGzip(request)] {
        auto page = m_answerReader.pending(accountId, limit, answerBodyBytes);
        if (!page) {
            return unavailable();
        }
        std::string body = R"({"webhooks":)";
        appendPayloads(body, page->payloads);
        body += R"(,"count":)";
        body += std::to_string(page->count);
        body += '}';
        return answer(std::move(body), gzip);
    };
    auto answered = m_worker.run(std::move(answering));
    co_return co_await std::move(answered);
}

boost::asio::awaitable<HttpResponse> WebhookRoutes::recent(
    const Caller& caller, const HttpRequest& request, std::optional<std::string> listenerId)
{
    const auto limit = RequestParsing::limit(request, defaultRecentLimit);
    if (!limit) {
        co_return limit.error();
    }
    auto answering = [this, accountId = caller.account.id, listenerId = std::move(listenerId), limit = *limit,
                         gzip = acceptsGzip(request)] {
        if (listenerId) {
            auto listener = m_answerReader.listener(accountId, *listenerId);
            if (!listener) {
                return unavailable();
            }
            if (!*listener) {
                return HttpResponse::error(404, "no such listener");
            }
        }
        auto payloads = m_answerReader.recent(accountId, listenerId, limit, listedBodyBytes);
        if (!payloads) {
            return unavailable();
        }
        std::string body = R"({"webhooks":)";
        appendPayloads(body, *payloads);
        body += '}';
        return answer(std::move(body), gzip);
    };
    auto answered = m_worker.run(std::move(answering));
    co_return co_await std::move(answered);
}

boost::asio::awaitable<HttpResponse> WebhookRoutes::payload(
    const Caller& caller, const HttpRequest& request, std::string payloadId)
{
    auto answering
        = [this, accountId = caller.account.id, payloadId = std::move(payloadId), gzip = acceptsGzip(request)] {
              auto found = m_answerReader.payload(accountId, payloadId);
              if (!found) {
                  return unavailable();
              }
              if (!*found) {
                  return HttpResponse::error(404, "no such payload");
              }
              std::string body;
              body.reserve(jsonSize(**found));
              PayloadJson::append(body, **found);
              return answer(std::move(body), gzip);
          };
    auto answered = m_worker.run(std::move(answering));
    co_return co_await std::move(answered);
}

boost::asio::awaitable<HttpResponse> WebhookRoutes::markDelivered(const Caller& caller, std::string payloadId)
{
    auto markedWork = [accountId = caller.account.id, payloadId, now = TimeText::now()](
                          Store& store) { return store.markDelivered(accountId, payloadId, now); };
    auto marked = co_await m_queue.submit(std::move(markedWork));
    if (!marked) {
        co_return unavailable();
    }
    if (!*marked) {
        co_return HttpResponse::error(404, "no such payload");
    }
    m_versions.moved(caller.account.id);
    co_return HttpResponse::empty(204);
}

} // namespace corvane::relay
