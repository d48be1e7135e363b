#include "api/HookCapture.h"

#include "api/RequestParsing.h"
#include "http/FormEncoding.h"
#include "signin/Secrets.h"
#include "store/TimeText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace corvane::relay {
namespace {

std::string storedText(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool isFormEncoded(const HttpRequest& request)
{
    const auto type = request.header("content-type");
    if (!type) {
        return false;
    }
    std::string lowered(type->substr(0, type->find(';')));
    std::ranges::transform(
        lowered, lowered.begin(), [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
    std::erase(lowered, ' ');
    return lowered == "application/x-www-form-urlencoded";
}

} // namespace

HookCapture::HookCapture(Store& reader, CommitQueue& queue, Metrics& metrics, RateLimiter& limiter, int maxJsonDepth)
    : m_reader(reader), m_queue(queue), m_metrics(metrics), m_limiter(limiter), m_maxJsonDepth(maxJsonDepth)
{
}

Capture HookCapture::captureOf(const HttpRequest& request, const HookTarget& target, bool bodyIsJson)
{
    Capture capture;
    capture.receivedAt = TimeText::now();
    capture.id = Secrets::orderedId("pay_", capture.receivedAt);
    capture.listenerId = target.listenerId;
    capture.accountId = target.accountId;
    capture.method = request.method;
    capture.offered = target.isEnabled;

    auto headers = nlohmann::json::object();
    for (const auto& [name, value] : request.headers) {
        auto& joined = headers[name];
        joined = joined.is_string() ? joined.get<std::string>() + ", " + value : value;
    }
    capture.headers = storedText(headers);
    if (request.hasQuery) {
        capture.query = storedText(FormEncoding::fields(request.query));
    }
    capture.rawBody = request.body;
    if (!request.body.empty()) {
        if (bodyIsJson) {
            capture.bodyKind = BodyKind::json;
        } else if (isFormEncoded(request)) {
            capture.bodyKind = BodyKind::form;
            capture.formBody = storedText(FormEncoding::fields(request.body));
        }
    }
    return capture;
}

boost::asio::awaitable<HttpResponse> HookCapture::capture(HttpRequest request, std::string token)
{
    const auto started = std::chrono::steady_clock::now();
    auto target = m_reader.hookTarget(token);
    if (!target) {
        co_return HttpResponse::error(503, "the database is unavailable");
    }
    if (!*target) {
        co_return HttpResponse::error(404, "no listener has this hook URL");
    }
    if (const auto wait = m_limiter.admit((*target)->listenerId, started)) {
        auto response = HttpResponse::error(429, "too many requests for this listener; retry later");
        const auto seconds = (wait->count() + 999) / 1000;
        response.headers.emplace_back("Retry-After", std::to_string(std::max<std::int64_t>(seconds, 1)));
        co_return response;
    }
    const bool bodyIsJson = !request.body.empty() && nlohmann::json::accept(request.body);
    if (bodyIsJson && !RequestParsing::withinDepth(request.body, m_maxJsonDepth)) {
        co_return HttpResponse::error(
            400, "JSON body is nested deeper than " + std::to_string(m_maxJsonDepth) + " levels");
    }
    Capture capture = captureOf(request, **target, bodyIsJson);
    const std::string id = capture.id;
    const std::string receivedAt = TimeText::rfc3339(capture.receivedAt);
    auto storedWork = [capture = std::move(capture)](Store& store) { return store.insertCapture(capture); };
    auto stored = co_await m_queue.submit(std::move(storedWork));
    if (!stored) {
        co_return HttpResponse::error(503, "the request could not be stored; retry later");
    }
    m_metrics.webhookStored(std::chrono::steady_clock::now() - started);
    co_return HttpResponse::json(202, {{"id", id}, {"received_at", receivedAt}});
}

} // namespace corvane::relay
