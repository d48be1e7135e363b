#include "common/JsonSyntax.h"
#include "common/RequestParsing.h"
#include "evaluation/JSONPathFilter.h"
#include "evaluation/Template.h"
#include "http/FormEncoding.h"
#include "http/RequestParser.h"
#include "suggest/TemplateSuggester.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <ranges>

using namespace corvane;
using namespace corvane::relay;

namespace {

// Every {{token}} of a suggestion must render non-empty text over its sample.
void checkTokens(const std::string& text, const nlohmann::json& sample)
{
    for (auto start = text.find("{{"); start != std::string::npos; start = text.find("{{", start + 2)) {
        const auto end = text.find("}}", start);
        if (end == std::string::npos) {
            std::abort();
        }
        if (Template::render(text.substr(start, end + 2 - start), sample).empty()) {
            std::abort();
        }
    }
}

// The JSON check judges as the parser does, except that a NUL byte never ends the text, and strings are
// written as the library writes them.
void checkJsonSyntax(const std::string& text)
{
    using Event = nlohmann::json::parse_event_t;
    constexpr int maxDepth = 8;
    int deepest = 0;
    const auto depth = [&deepest](int outside, Event event, const nlohmann::json& /*value*/) {
        if (event == Event::object_start || event == Event::array_start) {
            deepest = std::max(deepest, outside + 1);
        }
        return true;
    };
    const bool parsed
        = text.find('\0') == std::string::npos && !nlohmann::json::parse(text, depth, false).is_discarded();
    const auto verdict = JsonSyntax::check(text, maxDepth);
    const auto expected = !parsed ? JsonSyntax::Verdict::notJson
        : deepest > maxDepth      ? JsonSyntax::Verdict::tooDeep
                                  : JsonSyntax::Verdict::json;
    if (verdict != expected) {
        std::abort();
    }
    std::string written;
    JsonSyntax::appendString(written, text);
    if (written != nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)) {
        std::abort();
    }
}

// Suggests from the sender table the relay ships.
const TemplateSuggester& suggester()
{
    static const TemplateSuggester bundled(SenderTable::load({CORVANE_SENDER_TABLE}).value());
    return bundled;
}

// A head let through frames its body one way only: one Host at most, and a Transfer-Encoding only as
// exactly chunked (empty list elements aside) without Content-Length.
void checkFraming(const HttpRequest& head)
{
    std::string codings;
    for (const auto& [name, value] : head.headers) {
        codings += name == "transfer-encoding" ? value + "," : "";
    }
    std::erase_if(codings, [](char character) { return character == ' ' || character == '\t' || character == ','; });
    std::ranges::transform(codings, codings.begin(), [](unsigned char character) { return std::tolower(character); });
    const auto fields
        = [&](std::string_view name) { return std::ranges::count(head.headers | std::views::keys, name); };
    if (fields("host") > 1
        || (fields("transfer-encoding") > 0 && (codings != "chunked" || fields("content-length") > 0))) {
        std::abort();
    }
}

// What a connection carrying `bytes` amounts to when they arrive `piece` bytes at a time: each request
// read (method, path, body), then how the connection ended (which refusal may depend on how much of a
// faulty head has arrived). Heads and bodies are checked on the way.
std::string connection(std::string_view bytes, std::size_t piece)
{
    const HttpLimits limits{.maxHeaderBytes = 1024, .maxHeaderCount = 16, .maxBodyBytes = 4096};
    std::string outcome;
    std::string buffered;
    std::size_t arrived = 0;
    auto parser = std::make_unique<RequestParser>(limits);
    for (;;) {
        const bool headRead = parser->headRead();
        const auto used = parser->parse(buffered);
        if (!used) {
            return outcome + "refused";
        }
        buffered.erase(0, *used);
        if (!headRead && parser->headRead()) {
            checkFraming(parser->request({}));
        }
        if (parser->done()) {
            const auto body = parser->takeBody();
            if (body.size() > limits.maxBodyBytes || body.capacity() > std::max<std::size_t>(2 * body.size(), 15)) {
                std::abort();
            }
            outcome += parser->request({}).path + " " + body + "\n";
            if (!parser->keepAlive()) {
                return outcome + "closed";
            }
            parser = std::make_unique<RequestParser>(limits);
        } else if (*used > 0 || parser->headRead() != headRead) {
            continue;
        } else if (arrived == bytes.size()) {
            return outcome + (!parser->started() || parser->finish() ? "ended" : "refused");
        } else {
            buffered += bytes.substr(arrived, piece);
            arrived += std::min(piece, bytes.size() - arrived);
        }
    }
}

} // namespace

// The parsing a request meets before any route acts on it. The whole input is a connection's bytes:
// the requests read from it do not depend on how the bytes are split as they arrive, and every head
// let through frames its body unambiguously. Split at its first NUL byte, it is a query and a body:
// the query and form fields, the "limit" item, JSON bodies with their depth limit (checked against
// the parser), and the template suggestion over whatever object parses.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    if (connection(all, all.size()) != connection(all, 1 + size % 7)) {
        std::abort();
    }
    const auto split = all.find('\0');
    HttpRequest request;
    request.query = std::string(all.substr(0, split));
    request.body = split == std::string_view::npos ? std::string() : std::string(all.substr(split + 1));

    const auto fields = FormEncoding::fields(request.query);
    for (const auto& [key, value] : fields.items()) {
        if (!value.is_string() && !(value.is_array() && value.size() >= 2)) {
            std::abort();
        }
    }
    // Fields read under a bound are the fields read without one.
    if (const auto bounded = FormEncoding::fields(request.query, 4); bounded && *bounded != fields) {
        std::abort();
    }
    if (const auto limit = RequestParsing::limit(request, 25); limit && (*limit < 1 || *limit > 100)) {
        std::abort();
    }
    checkJsonSyntax(request.body);
    const auto object = RequestParsing::jsonObject(request, 64);
    if (object) {
        const auto& sample
            = object->contains("sample") && (*object)["sample"].is_object() ? (*object)["sample"] : *object;
        const auto suggestion = suggester().suggest(sample);
        checkTokens(suggestion.title, sample);
        checkTokens(suggestion.body, sample);
        if (suggestion.filter && !JSONPathFilter::matches(suggestion.filter, sample)) {
            std::abort();
        }
    }
    return 0;
}
