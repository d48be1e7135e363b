#include "suggest/TemplateSuggester.h"

#include "suggest/TemplateCheck.h"

#include <array>
#include <cctype>
#include <deque>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>

namespace corvane::relay {
namespace {

// Member names, most telling first, whose value says what happened.
constexpr std::array eventNames{
    "event", "event_type", "eventtype", "action", "type", "kind", "status", "state", "conclusion", "result"};
// Member names, most telling first, whose value is the human message.
constexpr std::array messageNames{"message", "text", "description", "summary", "title", "body", "content", "msg",
    "detail", "details", "subject", "name"};
// Nested objects are searched this far below the body.
constexpr int searchDepth = 3;

std::string lowered(std::string_view text)
{
    std::string result(text);
    for (char& character : result) {
        character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    }
    return result;
}

// A key the template and filter path syntax can reach: no dot, brace or line break, and a visible
// ASCII character at each end (rendering trims blanks and reads braces by user-perceived character).
bool addressable(std::string_view key)
{
    const auto visible = [](char character) { return character > ' ' && character < 0x7f; };
    return !key.empty() && visible(key.front()) && visible(key.back())
        && key.find_first_of(".{}\r\n") == std::string_view::npos;
}

// The path of member `key` of the object at `path`.
std::string memberPath(const std::string& path, const std::string& key)
{
    std::string result;
    result.reserve(path.size() + 1 + key.size());
    result += path;
    result += '.';
    result += key;
    return result;
}

// A scalar that renders as non-empty text and reads well in a notification.
bool rendersText(const nlohmann::json& value, bool numbersAllowed)
{
    if (value.is_string()) {
        return value.get_ref<const std::string&>().find_first_not_of(" \t\r\n") != std::string::npos;
    }
    return numbersAllowed && (value.is_number() || value.is_boolean());
}

// The path of the first member, breadth first from `root` and in the order of `names`, whose name
// is one of `names` (ignoring case) and whose value renders as text.
template <std::size_t Count>
std::optional<std::string> findMember(const nlohmann::json& root, const std::string& rootPath,
    const std::array<const char*, Count>& names, bool numbersAllowed)
{
    std::deque<std::tuple<const nlohmann::json*, std::string, int>> pending{{&root, rootPath, 0}};
    while (!pending.empty()) {
        const auto [object, path, depth] = pending.front();
        pending.pop_front();
        for (const char* wanted : names) {
            for (const auto& [key, value] : object->items()) {
                if (addressable(key) && lowered(key) == wanted && rendersText(value, numbersAllowed)) {
                    return memberPath(path, key);
                }
            }
        }
        if (depth + 1 < searchDepth) {
            for (const auto& [key, value] : object->items()) {
                if (addressable(key) && value.is_object()) {
                    pending.emplace_back(&value, memberPath(path, key), depth + 1);
                }
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> eventHeader(const nlohmann::json& sample)
{
    const auto headers = sample.find("headers");
    if (headers == sample.end() || !headers->is_object()) {
        return std::nullopt;
    }
    for (const auto& [key, value] : headers->items()) {
        const std::string name = lowered(key);
        if (addressable(key) && name.starts_with("x-") && name.ends_with("-event") && rendersText(value, false)) {
            return "headers." + key;
        }
    }
    return std::nullopt;
}

bool nonEmptyText(const nlohmann::json& sample, const char* key)
{
    const auto member = sample.find(key);
    return member != sample.end() && rendersText(*member, false);
}

std::string token(const std::string& path)
{
    return "{{" + path + "}}";
}

// The first candidate that passes `check` over the sample.
template <class Check>
std::optional<std::string> firstPassing(
    const std::vector<std::string>& candidates, const nlohmann::json& sample, Check check)
{
    for (const auto& candidate : candidates) {
        if (check(candidate, sample)) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace

nlohmann::json TemplateSuggestion::toJson() const
{
    nlohmann::json json{{"title", title}, {"body", body}};
    for (const auto& [name, member] : {std::pair{"filter", &filter}, std::pair{"link", &link},
             std::pair{"sender", &sender}, std::pair{"event", &event}}) {
        if (*member) {
            json[name] = **member;
        }
    }
    json["source"] = source;
    return json;
}

TemplateSuggester::TemplateSuggester(SenderTable table) : m_table(std::move(table))
{
}

TemplateSuggestion TemplateSuggester::suggest(const nlohmann::json& sample) const
{
    TemplateSuggestion suggestion = generic(sample);
    for (const SenderEvent* known : m_table.matching(sample)) {
        auto title = firstPassing(known->titles, sample, TemplateCheck::renders);
        if (!title) {
            continue;
        }
        suggestion.title = *std::move(title);
        if (auto body = firstPassing(known->bodies, sample, TemplateCheck::renders)) {
            suggestion.body = *std::move(body);
        }
        suggestion.filter
            = known->filter && TemplateCheck::reaches(*known->filter, sample) ? known->filter : std::nullopt;
        suggestion.link = firstPassing(known->links, sample, TemplateCheck::rendersLink);
        suggestion.sender = known->sender;
        suggestion.event = known->event;
        break;
    }
    return suggestion;
}

TemplateSuggestion TemplateSuggester::generic(const nlohmann::json& sample)
{
    TemplateSuggestion suggestion;
    const auto body = sample.find("body");
    const bool objectBody = body != sample.end() && body->is_object();

    std::optional<std::string> event = objectBody ? findMember(*body, "body", eventNames, false) : std::nullopt;
    if (!event) {
        event = eventHeader(sample);
    }
    const bool named = nonEmptyText(sample, "listener_name");
    if (event && named) {
        suggestion.title = token("listener_name") + ": " + token(*event);
    } else if (event) {
        suggestion.title = token(*event);
    } else if (named) {
        suggestion.title = token("listener_name");
    } else if (nonEmptyText(sample, "method")) {
        suggestion.title = token("method") + " request";
    } else {
        suggestion.title = "Webhook";
    }
    if (event) {
        suggestion.filter = "$." + *event;
    }

    std::optional<std::string> message = objectBody ? findMember(*body, "body", messageNames, true) : std::nullopt;
    if (message) {
        suggestion.body = token(*message);
    } else if (body != sample.end() && rendersText(*body, true)) {
        suggestion.body = token("body");
    } else if (nonEmptyText(sample, "raw_body")) {
        suggestion.body = token("raw_body");
    }
    return suggestion;
}

} // namespace corvane::relay
