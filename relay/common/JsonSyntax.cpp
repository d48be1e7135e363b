#include "common/JsonSyntax.h"

#include <nlohmann/json.hpp>
#include <simdjson.h>

#include <algorithm>

namespace corvane::relay::JsonSyntax {
namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
// Texts up to this size are checked by their thread's parser, kept for the next; a larger one gets a
// parser of its own, whose buffers (up to ten times the text) are freed as soon as it is judged.
constexpr std::size_t reusedCapacity = std::size_t{64} * 1024;

// Follows nlohmann's parser through a text and records how deep arrays and objects nest.
class DepthCounter final : public nlohmann::json_sax<nlohmann::json> {
public:
    int deepest = 0;

    bool null() override { return true; }
    bool boolean(bool /*value*/) override { return true; }
    bool number_integer(number_integer_t /*value*/) override { return true; }
    bool number_unsigned(number_unsigned_t /*value*/) override { return true; }
    bool number_float(number_float_t /*value*/, const string_t& /*text*/) override { return true; }
    bool string(string_t& /*value*/) override { return true; }
    bool binary(binary_t& /*value*/) override { return true; }
    bool key(string_t& /*value*/) override { return true; }
    bool start_object(std::size_t /*count*/) override { return enter(); }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t /*count*/) override { return enter(); }
    bool end_array() override { return leave(); }
    bool parse_error(
        std::size_t /*position*/, const std::string& /*token*/, const nlohmann::detail::exception& /*error*/) override
    {
        return false;
    }

private:
    bool enter()
    {
        deepest = std::max(deepest, ++m_depth);
        return true;
    }
    bool leave()
    {
        --m_depth;
        return true;
    }

    int m_depth = 0;
};

// nlohmann's verdict, for what simdjson leaves open. Its parser stops at a NUL byte as at the end.
Verdict secondOpinion(std::string_view text, int maxDepth)
{
    if (text.find('\0') != std::string_view::npos) {
        return Verdict::notJson;
    }
    DepthCounter counter;
    if (!nlohmann::json::sax_parse(text.begin(), text.end(), &counter)) {
        return Verdict::notJson;
    }
    return counter.deepest > maxDepth ? Verdict::tooDeep : Verdict::json;
}

simdjson::error_code parsed(
    simdjson::dom::parser& parser, std::string_view text, std::size_t capacity, std::size_t depth)
{
    if (parser.capacity() < capacity || parser.max_depth() != depth) {
        if (const auto error = parser.allocate(capacity, depth)) {
            return error;
        }
    }
    return parser.parse(text.data(), text.size()).error();
}

// Whether `character` can stand in a JSON string as it is.
bool plain(char character)
{
    return static_cast<unsigned char>(character) >= 0x20 && character != '"' && character != '\\';
}

// Whether the first and last bytes outside whitespace may begin and end a JSON value: most bodies that
// are not JSON (form fields, plain text, binary) are told without reading the rest.
bool mayBeJson(std::string_view text)
{
    constexpr std::string_view whitespace = " \t\n\r";
    const auto first = text.find_first_not_of(whitespace);
    if (first == std::string_view::npos) {
        return false;
    }
    const auto last = text.find_last_not_of(whitespace);
    constexpr std::string_view starts = "{[\"-0123456789tfn";
    constexpr std::string_view ends = "}]\"0123456789el";
    return starts.find(text[first]) != std::string_view::npos && ends.find(text[last]) != std::string_view::npos;
}

} // namespace

Verdict check(std::string_view text, int maxDepth)
{
    const auto value = valueText(text);
    if (!mayBeJson(value)) {
        return Verdict::notJson;
    }
    // simdjson counts the document itself as a level.
    const auto depth = static_cast<std::size_t>(maxDepth) + 1;
    simdjson::error_code error = simdjson::SUCCESS;
    if (value.size() <= reusedCapacity) {
        thread_local simdjson::dom::parser parser;
        error = parsed(parser, value, reusedCapacity, depth);
    } else {
        simdjson::dom::parser parser;
        error = parsed(parser, value, value.size(), depth);
    }
    switch (error) {
    case simdjson::SUCCESS:
        return Verdict::json;
    // simdjson stops at the first level too deep, before it knows whether the rest is JSON, and
    // refuses integers beyond 64 bits, which JSON allows.
    case simdjson::DEPTH_ERROR:
    case simdjson::NUMBER_ERROR:
        return secondOpinion(value, maxDepth);
    default:
        return Verdict::notJson;
    }
}

std::string_view valueText(std::string_view text)
{
    return text.starts_with(byteOrderMark) ? text.substr(byteOrderMark.size()) : text;
}

bool isValidUtf8(std::string_view text)
{
    return simdjson::validate_utf8(text.data(), text.size());
}

std::string_view wholeCharacters(std::string_view text)
{
    // A sequence is a lead byte and up to three continuation bytes (10xxxxxx).
    const auto size = text.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(4, size); ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0U) == 0x80U) {
            continue;
        }
        const std::size_t length = byte >= 0xF0U ? 4 : byte >= 0xE0U ? 3 : byte >= 0xC0U ? 2 : 1;
        return length > back ? text.substr(0, size - back) : text;
    }
    return text;
}

void appendString(std::string& out, std::string_view text)
{
    if (!isValidUtf8(text)) {
        // Which bytes become U+FFFD is the library's business; valid text takes the short way.
        out += nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return;
    }
    static constexpr std::string_view hexDigits = "0123456789abcdef";
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    while (!text.empty()) {
        const auto run = static_cast<std::size_t>(std::ranges::find_if_not(text, plain) - text.begin());
        out.append(text.substr(0, run));
        if (run == text.size()) {
            break;
        }
        const char character = text[run];
        text.remove_prefix(run + 1);
        switch (character) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += hexDigits[static_cast<unsigned char>(character) >> 4];
            out += hexDigits[static_cast<unsigned char>(character) & 0x0F];
        }
    }
    out += '"';
}

} // namespace corvane::relay::JsonSyntax
