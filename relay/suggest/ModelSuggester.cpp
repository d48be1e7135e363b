#include "suggest/ModelSuggester.h"

#include "evaluation/UnicodeText.h"
#include "suggest/TemplateCheck.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/host_name_verification.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>
#include <boost/url/parse.hpp>

#include <algorithm>
#include <array>
#include <exception>
#include <memory>

namespace corvane::relay {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using Json = nlohmann::json;

// Calls to the model at once; a request beyond them gets the rules' suggestion.
constexpr int maxCalls = 4;
// The sample a model reads, as JSON text, and the reply read from it.
constexpr std::size_t maxSampleBytes = std::size_t{16} * 1024;
constexpr std::uint64_t maxReplyBytes = std::uint64_t{256} * 1024;

constexpr std::string_view instructions = R"(You write desktop notification templates for webhooks.
The user sends one webhook request as a JSON payload context with the members method, listener_name, headers (names in lower case), query, body and raw_body.
Answer with one JSON object and nothing else: {"title": string, "body": string, "filter": string or null, "link": string or null}.
Templates are text with {{path}} tokens. A path is a dot path into the payload context, such as {{body.repository.full_name}} or {{headers.x-github-event}}; an array element is its index from 0, such as {{body.alerts.0.labels.alertname}}. Use only paths that exist in this request and hold text or numbers.
title: at most 80 characters, naming what happened and where (project, repository, service). body: the facts a person acts on (branch, author, amount, status, error message).
filter: a path such as $.body.workflow_run.conclusion; the notification fires when the value there is present and not empty, false or null. Give one only when the sender also sends events nobody needs to see.
link: a template that renders to the http or https address of what happened, such as {{body.pull_request.html_url}}.)";

// Header and query names that carry credentials or signatures, in lower case.
bool confidential(const std::string& name)
{
    constexpr std::array parts{"auth", "cookie", "signature", "token", "secret", "key", "password", "session"};
    std::string lowered = name;
    std::ranges::transform(lowered, lowered.begin(), [](unsigned char character) { return std::tolower(character); });
    return std::ranges::any_of(parts, [&](const char* part) { return lowered.find(part) != std::string::npos; });
}

// Cuts every string of `value` to `longest` bytes and every array to `elements` elements.
void shorten(Json& value, std::size_t longest, std::size_t elements)
{
    if (value.is_string()) {
        auto& text = value.get_ref<std::string&>();
        if (text.size() > longest) {
            text.resize(UnicodeText::prefixLength(text, longest));
            text += "…";
        }
    } else if (value.is_array() && value.size() > elements) {
        value.erase(value.begin() + static_cast<std::ptrdiff_t>(elements), value.end());
    }
    if (value.is_structured()) {
        for (auto& member : value) {
            shorten(member, longest, elements);
        }
    }
}

std::size_t textSize(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace).size();
}

// The model's answer without the Markdown code fence some models put around it.
std::string_view unfenced(std::string_view content)
{
    const auto start = content.find_first_not_of(" \t\r\n");
    content = start == std::string_view::npos ? std::string_view() : content.substr(start);
    if (!content.starts_with("```")) {
        return content;
    }
    const auto firstLine = content.find('\n');
    const auto fence = content.rfind("```");
    if (firstLine == std::string_view::npos || fence <= firstLine) {
        return {};
    }
    return content.substr(firstLine + 1, fence - firstLine - 1);
}

template <class Stream>
asio::awaitable<std::optional<std::string>> roundTrip(Stream& stream, const http::request<http::string_body>& request)
{
    auto writing = http::async_write(stream, request, asio::use_awaitable);
    co_await std::move(writing);
    beast::flat_buffer buffer;
    http::response_parser<http::string_body> parser;
    parser.body_limit(maxReplyBytes);
    auto reading = http::async_read(stream, buffer, parser, asio::use_awaitable);
    co_await std::move(reading);
    if (parser.get().result() != http::status::ok) {
        co_return std::nullopt;
    }
    co_return parser.release().body();
}

} // namespace

ModelSuggester::ModelSuggester(ModelSettings settings)
    : m_settings(std::move(settings)), m_tls(asio::ssl::context::tls_client)
{
    m_tls.set_default_verify_paths();
    m_tls.set_verify_mode(asio::ssl::verify_peer);
}

asio::awaitable<std::optional<TemplateSuggestion>> ModelSuggester::suggest(const Json& sample)
{
    const auto shared = shareable(sample, maxSampleBytes);
    if (!shared || m_calls >= maxCalls) {
        co_return std::nullopt;
    }
    Json request{{"temperature", 0}, {"response_format", {{"type", "json_object"}}},
        {"messages",
            {{{"role", "system"}, {"content", instructions}},
                {{"role", "user"}, {"content", shared->dump(-1, ' ', false, Json::error_handler_t::replace)}}}}};
    if (!m_settings.model.empty()) {
        request["model"] = m_settings.model;
    }
    // The call counts until it ends, however its coroutine ends.
    ++m_calls;
    const std::unique_ptr<int, decltype([](int* calls) { --*calls; })> counted(&m_calls);
    auto posting = post(request.dump(-1, ' ', false, Json::error_handler_t::replace));
    const auto reply = co_await std::move(posting);
    co_return reply ? fromReply(*reply, sample) : std::nullopt;
}

asio::awaitable<std::optional<std::string>> ModelSuggester::post(std::string body)
{
    const auto url = boost::urls::parse_uri(m_settings.url);
    if (!url) {
        co_return std::nullopt;
    }
    const bool tls = url->scheme_id() == boost::urls::scheme::https;
    const std::string host = url->host_address();
    const std::string port = url->has_port() ? std::string(url->port()) : tls ? "443" : "80";
    const std::string target = url->encoded_target().empty() ? "/" : std::string(url->encoded_target());
    http::request<http::string_body> request{http::verb::post, target, 11};
    request.set(http::field::host, url->encoded_host_and_port());
    request.set(http::field::content_type, "application/json");
    request.set(http::field::user_agent, "corvane-relay");
    if (!m_settings.apiKey.empty()) {
        request.set(http::field::authorization, "Bearer " + m_settings.apiKey);
    }
    request.keep_alive(false);
    request.body() = std::move(body);
    request.prepare_payload();

    const auto executor = co_await asio::this_coro::executor;
    asio::ip::tcp::resolver resolver(executor);
    beast::ssl_stream<beast::tcp_stream> stream(executor, m_tls);
    // Whatever is under way when the time is up fails, and so the call ends.
    asio::steady_timer deadline(executor, m_settings.timeout);
    deadline.async_wait([&resolver, &stream](const boost::system::error_code& error) {
        if (!error) {
            resolver.cancel();
            beast::get_lowest_layer(stream).close();
        }
    });
    try {
        auto resolving = resolver.async_resolve(host, port, asio::use_awaitable);
        const auto endpoints = co_await std::move(resolving);
        auto connecting = beast::get_lowest_layer(stream).async_connect(endpoints, asio::use_awaitable);
        co_await std::move(connecting);
        if (!tls) {
            auto exchanging = roundTrip(beast::get_lowest_layer(stream), request);
            co_return co_await std::move(exchanging);
        }
        // SSL_set_tlsext_host_name() spelled out: the macro casts in the old style.
        if (SSL_ctrl(stream.native_handle(), SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                const_cast<char*>(host.c_str()))
            != 1) {
            co_return std::nullopt;
        }
        stream.set_verify_callback(asio::ssl::host_name_verification(host));
        auto handshaking = stream.async_handshake(asio::ssl::stream_base::client, asio::use_awaitable);
        co_await std::move(handshaking);
        auto exchanging = roundTrip(stream, request);
        co_return co_await std::move(exchanging);
    } catch (const std::exception&) {
        co_return std::nullopt;
    }
}

std::optional<Json> ModelSuggester::shareable(const Json& sample, std::size_t limit)
{
    Json shared = sample;
    for (const char* part : {"headers", "query"}) {
        if (const auto member = shared.find(part); member != shared.end() && member->is_object()) {
            for (auto entry = member->begin(); entry != member->end();) {
                entry = confidential(entry.key()) ? member->erase(entry) : std::next(entry);
            }
        }
    }
    if (textSize(shared) > limit && shared.contains("body")) {
        shared.erase("raw_body");
    }
    constexpr std::array<std::pair<std::size_t, std::size_t>, 4> cuts{{{1024, 100}, {256, 20}, {64, 5}, {16, 2}}};
    for (const auto& [longest, elements] : cuts) {
        if (textSize(shared) <= limit) {
            return shared;
        }
        shorten(shared, longest, elements);
    }
    return textSize(shared) <= limit ? std::optional(shared) : std::nullopt;
}

std::optional<TemplateSuggestion> ModelSuggester::fromReply(const std::string& reply, const Json& sample)
{
    const auto completion = Json::parse(reply, nullptr, false);
    const Json::json_pointer contentPath("/choices/0/message/content");
    if (!completion.contains(contentPath) || !completion.at(contentPath).is_string()) {
        return std::nullopt;
    }
    const auto answer = Json::parse(unfenced(completion.at(contentPath).get_ref<const std::string&>()), nullptr, false);
    if (!answer.is_object()) {
        return std::nullopt;
    }
    const auto text = [&](const char* name) {
        const auto member = answer.find(name);
        return member != answer.end() && member->is_string() ? std::optional(member->get<std::string>()) : std::nullopt;
    };
    auto title = text("title");
    auto body = text("body");
    if (!title || !body || !TemplateCheck::renders(*title, sample) || !TemplateCheck::renders(*body, sample)) {
        return std::nullopt;
    }
    TemplateSuggestion suggestion;
    suggestion.title = *std::move(title);
    suggestion.body = *std::move(body);
    suggestion.source = "model";
    if (auto filter = text("filter"); filter && TemplateCheck::reaches(*filter, sample)) {
        suggestion.filter = std::move(filter);
    }
    if (auto link = text("link"); link && TemplateCheck::rendersLink(*link, sample)) {
        suggestion.link = std::move(link);
    }
    return suggestion;
}

} // namespace corvane::relay
