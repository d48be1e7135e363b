#include "api/HookCapture.h"

#include "common/JsonSyntax.h"
#include "common/Secrets.h"
#include "http/FormEncoding.h"
#include "store/TimeText.h"
#include "verification/SignatureVerifier.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

namespace corvane::relay {
namespace {

// Bodies up to this size are read on the I/O thread: handing them to the worker would cost more.
constexpr std::size_t inlineBodyBytes = std::size_t{64} * 1024;
// Larger raw bodies are committed in parts of this size.
constexpr std::size_t bodyPartBytes = CommitQueue::heavyBytes;

std::string storedText(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The header fields as a JSON object: names in byte order, the values of a repeated name joined with
// ", " in arrival order.
std::string headersText(const std::vector<std::pair<std::string, std::string>>& headers)
{
    std::vector<const std::pair<std::string, std::string>*> order;
    order.reserve(headers.size());
    for (const auto& field : headers) {
        order.push_back(&field);
    }
    // By name, and fields of one name in arrival order (their order in `headers`).
    std::ranges::sort(order, [](const auto* left, const auto* right) {
        return left->first != right->first ? left->first < right->first : std::less<>()(left, right);
    });
    // Room for every field with its quotes, colon and comma; escapes are rare.
    std::size_t size = 2;
    for (const auto& [name, value] : headers) {
        size += name.size() + value.size() + 6;
    }
    std::string text;
    text.reserve(size);
    text += '{';
    for (std::size_t index = 0; index < order.size();) {
        const std::string& name = order[index]->first;
        std::size_t end = index + 1;
        while (end < order.size() && order[end]->first == name) {
            ++end;
        }
        text += index == 0 ? "" : ",";
        JsonSyntax::appendString(text, name);
        text += ':';
        if (end == index + 1) {
            JsonSyntax::appendString(text, order[index]->second);
        } else {
            std::string joined = order[index]->second;
            for (std::size_t repeat = index + 1; repeat < end; ++repeat) {
                joined += ", ";
                joined += order[repeat]->second;
            }
            JsonSyntax::appendString(text, joined);
        }
        index = end;
    }
    text += '}';
    return text;
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

HookCapture::HookCapture(HookTargets& targets, CommitQueue& queue, Metrics& metrics, RateLimiter& limiter,
    ChangeVersions& versions, WorkerThread& worker, int maxJsonDepth, std::size_t maxFormFields)
    : m_targets(targets), m_queue(queue), m_metrics(metrics), m_limiter(limiter), m_versions(versions),
      m_worker(worker), m_maxJsonDepth(maxJsonDepth), m_maxFormFields(maxFormFields)
{
}

std::expected<Capture, HttpResponse> HookCapture::captureOf(HttpRequest&& request, const HookTarget& target) const
{
    const auto receivedAt = TimeText::now();
    std::optional<VerificationOutcome> checked;
    if (const auto& settings = target.verification) {
        checked = SignatureVerifier(*settings).verify(request.headers, request.body, receivedAt / 1000);
        if (!checked->verified && settings->mode == VerificationMode::reject) {
            m_metrics.signatureChecked(settings->scheme, VerificationOutcomeKind::failed);
            return std::unexpected(
                HttpResponse::error(401, "signature verification failed: " + std::string(checked->reason)));
        }
    }
    const auto verdict
        = request.body.empty() ? JsonSyntax::Verdict::notJson : JsonSyntax::check(request.body, m_maxJsonDepth);
    if (verdict == JsonSyntax::Verdict::tooDeep) {
        return std::unexpected(
            HttpResponse::error(400, "JSON body is nested deeper than " + std::to_string(m_maxJsonDepth) + " levels"));
    }
    Capture capture;
    capture.receivedAt = receivedAt;
    capture.id = Secrets::orderedId("pay_", capture.receivedAt);
    capture.listenerId = target.listenerId;
    capture.accountId = target.accountId;
    capture.method = request.method;
    capture.offered = target.isEnabled;
    if (checked) {
        capture.verification = PayloadVerification{checked->verified, std::string(checked->reason)};
        capture.webhookId = std::move(checked->webhookId);
    }

    capture.headers = headersText(request.headers);
    if (request.hasQuery) {
        capture.query = storedText(FormEncoding::fields(request.query));
    }
    if (verdict == JsonSyntax::Verdict::json) {
        capture.bodyKind = BodyKind::json;
    } else if (!request.body.empty() && isFormEncoded(request)) {
        if (const auto fields = FormEncoding::fields(request.body, m_maxFormFields)) {
            capture.bodyKind = BodyKind::form;
            capture.formBody = storedText(*fields);
        }
    }
    capture.rawBody = std::move(request.body);
    return capture;
}

boost::asio::awaitable<HttpResponse> HookCapture::capture(HttpRequest request, std::string token)
{
    const auto started = std::chrono::steady_clock::now();
    const auto found = m_targets.find(token);
    if (!found) {
        co_return HttpResponse::error(503, "the database is unavailable");
    }
    const HookTarget* target = *found;
    if (target == nullptr) {
        co_return HttpResponse::error(404, "no listener has this hook URL");
    }
    if (const auto wait = m_limiter.admit(target->listenerId, started)) {
        auto response = HttpResponse::error(429, "too many requests for this listener; retry later");
        const auto seconds = (wait->count() + 999) / 1000;
        response.headers.emplace_back("Retry-After", std::to_string(std::max<std::int64_t>(seconds, 1)));
        co_return response;
    }
    // The target may be gone from the cache once this coroutine has waited.
    const auto scheme = target->verification ? std::optional(target->verification->scheme) : std::nullopt;
    std::expected<Capture, HttpResponse> captured;
    if (request.body.size() <= inlineBodyBytes) {
        captured = captureOf(std::move(request), *target);
    } else {
        auto reading = [this, request = std::move(request), target = *target]() mutable {
            return captureOf(std::move(request), target);
        };
        auto read = m_worker.run(std::move(reading));
        captured = co_await std::move(read);
    }
    if (!captured) {
        co_return captured.error();
    }
    Capture capture = *std::move(captured);
    const std::string accountId = capture.accountId;
    const auto outcome = !capture.verification ? std::nullopt
        : capture.verification->verified       ? std::optional(VerificationOutcomeKind::verified)
                                               : std::optional(VerificationOutcomeKind::failed);
    // {"id":"…","received_at":"…"}; identifiers and times need no escaping.
    HttpResponse accepted;
    accepted.status = 202;
    accepted.body.reserve(capture.id.size() + TimeText::rfc3339Length + 28);
    accepted.body += R"({"id":")";
    accepted.body += capture.id;
    accepted.body += R"(","received_at":")";
    TimeText::appendRfc3339(accepted.body, capture.receivedAt);
    accepted.body += R"("})";
    // A large body is committed part by part, each part taking its turn with other writes, so that no
    // one else waits for all of it; the payload is written, and becomes visible, once every part is.
    std::string body;
    if (capture.rawBody.size() > bodyPartBytes) {
        body = std::move(capture.rawBody);
        capture.rawBody.clear();
        capture.bodyParts = std::int64_t((body.size() + bodyPartBytes - 1) / bodyPartBytes);
    }
    for (std::int64_t part = 0; part < capture.bodyParts; ++part) {
        const auto bytes = std::string_view(body).substr(std::size_t(part) * bodyPartBytes, bodyPartBytes);
        auto partWork = [id = capture.id, part, bytes](Store& store) { return store.insertBodyPart(id, part, bytes); };
        auto written = co_await m_queue.submit(std::move(partWork), bytes.size());
        if (!written) {
            co_return HttpResponse::error(503, "the request could not be stored; retry later");
        }
    }
    const auto bytes = capture.rawBody.size() + (capture.formBody ? capture.formBody->size() : 0);
    auto storedWork = [capture = std::move(capture)](Store& store) { return store.insertCapture(capture); };
    auto stored = co_await m_queue.submit(std::move(storedWork), bytes);
    if (!stored) {
        co_return HttpResponse::error(503, "the request could not be stored; retry later");
    }
    if (scheme && outcome) {
        m_metrics.signatureChecked(*scheme, *stored ? *outcome : VerificationOutcomeKind::replayed);
    }
    if (!*stored) {
        co_return HttpResponse::json(200, {{"replayed", true}});
    }
    m_versions.moved(accountId);
    m_metrics.webhookStored(std::chrono::steady_clock::now() - started);
    co_return accepted;
}

} // namespace corvane::relay
