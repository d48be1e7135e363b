// Time per template suggestion, as POST /listeners/suggest-template pays it on the relay's I/O thread:
// the sender table's rules over a few captured samples (and one no sender fits), and the rules after a
// model that never answers, whose wait is the timeout given here.
#include "suggest/ModelSuggester.h"
#include "suggest/SenderTable.h"
#include "suggest/TemplateSuggester.h"

#include <benchmark/benchmark.h>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <fstream>
#include <sstream>

using namespace corvane::relay;
using Json = nlohmann::json;

namespace {

constexpr std::chrono::milliseconds modelTimeout{20};

TemplateSuggester suggester()
{
    auto table = SenderTable::load({CORVANE_SENDER_TABLE});
    if (!table) {
        throw std::runtime_error(table.error());
    }
    return TemplateSuggester(*std::move(table));
}

// The sample of a test fixture, with its raw body as captured.
Json sample(const std::string& name)
{
    std::ifstream file(std::string(CORVANE_SENDER_FIXTURES) + "/" + name);
    std::ostringstream text;
    text << file.rdbuf();
    auto read = Json::parse(text.str())["sample"];
    read["raw_body"] = read["body"].dump();
    return read;
}

void rules(benchmark::State& state, const std::string& fixture)
{
    const auto table = suggester();
    const auto context
        = fixture.empty() ? Json{{"method", "POST"}, {"body", {{"kind", "nightly"}, {"note", "ok"}}}} : sample(fixture);
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.suggest(context));
    }
}
BENCHMARK_CAPTURE(rules, githubPush, std::string("github-push.json"));
BENCHMARK_CAPTURE(rules, stripeInvoice, std::string("stripe-invoice.payment_failed.json"));
BENCHMARK_CAPTURE(rules, alertmanager, std::string("alertmanager-alert.json"));
BENCHMARK_CAPTURE(rules, unknownSender, std::string());

// A loopback listener that takes connections (the kernel's backlog does) and never answers.
void rulesAfterModelTimeout(benchmark::State& state)
{
    boost::asio::io_context io(1);
    boost::asio::ip::tcp::acceptor silent(io, {boost::asio::ip::make_address("127.0.0.1"), 0});
    ModelSuggester model(
        ModelSettings{"http://127.0.0.1:" + std::to_string(silent.local_endpoint().port()) + "/v1/chat/completions",
            "bench", "", modelTimeout});
    const auto table = suggester();
    const auto pushed = sample("github-push.json");
    for (auto _ : state) {
        auto ask = [&]() -> boost::asio::awaitable<void> {
            auto asking = model.suggest(pushed);
            const auto answer = co_await std::move(asking);
            benchmark::DoNotOptimize(answer ? *answer : table.suggest(pushed));
        };
        boost::asio::co_spawn(io, std::move(ask), boost::asio::detached);
        io.run();
        io.restart();
    }
}
BENCHMARK(rulesAfterModelTimeout)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
