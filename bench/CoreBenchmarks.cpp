// Decoding, rendering and flattening at the sizes the app meets: a poll of 100 payloads with 64 KiB
// bodies, a 10-token template over one of them, and a payload tree of 10,000 rows.
#include "evaluation/PayloadContext.h"
#include "evaluation/PayloadFlattener.h"
#include "evaluation/Template.h"
#include "model/JsonFields.h"
#include "model/JsonText.h"
#include "model/Payload.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace corvane;
using Json = nlohmann::json;

namespace {

// A realistic webhook body of about `bytes` bytes: nested objects, arrays, numbers and text.
Json webhookBody(std::size_t bytes)
{
    Json body
        = {{"action", "opened"}, {"number", 42}, {"repository", {{"full_name", "corvane/app"}, {"private", false}}}};
    Json commits = Json::array();
    for (int index = 0; commits.dump().size() < bytes; ++index) {
        commits.push_back({{"id", std::to_string(index * 7919)},
            {"message", "Fix the thing that broke the other thing, see #" + std::to_string(index)},
            {"timestamp", "2025-01-31T09:15:00.250Z"},
            {"author", {{"name", "Dev " + std::to_string(index)}, {"email", "dev@example.com"}}},
            {"added", {"src/a.cpp", "src/b.h"}}, {"score", index * 0.25}});
    }
    body["commits"] = std::move(commits);
    return body;
}

Json payloadJson(int index, const Json& body)
{
    return {{"id", "p" + std::to_string(index)}, {"listener_id", "l1"}, {"listener_name", "Deploys"},
        {"notification_config", {{"title", "{{listener_name}}"}}}, {"method", "POST"},
        {"headers", {{"content-type", "application/json"}, {"x-github-event", "push"}}}, {"query", Json::object()},
        {"body", body}, {"raw_body", body.dump()}, {"received_at", "2025-01-31T09:15:00.250Z"}};
}

// The text of a poll response with 100 payloads of 64 KiB bodies (each also carried as its raw body).
std::string webhooksEnvelope()
{
    const Json body = webhookBody(64 * 1024);
    Json webhooks = Json::array();
    for (int index = 0; index < 100; ++index) {
        webhooks.push_back(payloadJson(index, body));
    }
    return Json{{"webhooks", webhooks}, {"count", 100}}.dump();
}

void parseWebhooksEnvelope(benchmark::State& state)
{
    const std::string text = webhooksEnvelope();
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseJson(text));
    }
}
BENCHMARK(parseWebhooksEnvelope)->Unit(benchmark::kMillisecond);

void decodeWebhooksEnvelope(benchmark::State& state)
{
    const std::string text = webhooksEnvelope();
    for (auto _ : state) {
        auto envelope = parseJson(text);
        auto payloads = JsonFields::decode<std::vector<Payload>>(std::move((*envelope)["webhooks"]));
        benchmark::DoNotOptimize(payloads);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["envelope_MiB"] = static_cast<double>(text.size()) / (1024.0 * 1024.0);
}
BENCHMARK(decodeWebhooksEnvelope)->Unit(benchmark::kMillisecond);

void renderTenTokens(benchmark::State& state)
{
    const auto payload = *Payload::fromJson(payloadJson(0, webhookBody(64 * 1024)));
    const std::string templateText = "{{listener_name}}: {{body.action}} #{{body.number}} in "
                                     "{{body.repository.full_name}} by {{body.commits.0.author.name}} "
                                     "({{body.commits.3.id}}, {{body.commits.10.score}}) {{headers.x-github-event}} "
                                     "{{method}} {{body.commits.20.message}}";
    for (auto _ : state) {
        const auto context = payloadContext(payload);
        benchmark::DoNotOptimize(Template::render(templateText, context));
    }
}
BENCHMARK(renderTenTokens)->Unit(benchmark::kMicrosecond);

void flattenTenThousandRows(benchmark::State& state)
{
    Json items = Json::array();
    for (int index = 0; index < 2000; ++index) {
        items.push_back(
            {{"id", index}, {"name", "item " + std::to_string(index)}, {"price", index * 1.5}, {"ok", true}});
    }
    const Json root = {{"body", {{"items", items}}}};
    std::size_t rowCount = 0;
    for (auto _ : state) {
        std::vector<PayloadFlattener::Row> rows;
        PayloadFlattener::flatten(&root, "", 0, rows);
        rowCount = rows.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rowCount);
}
BENCHMARK(flattenTenThousandRows)->Unit(benchmark::kMillisecond);

} // namespace
