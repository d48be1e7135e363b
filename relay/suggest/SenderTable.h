#pragma once

#include <nlohmann/json.hpp>

#include <expected>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane::relay {

// One event of one sender, as a table names it: what a request of it carries, and the templates that
// suit it, each as candidates in order of preference.
struct SenderEvent {
    std::string sender;
    std::string event;
    // Paths into the payload context, each with the text its value must render as, or `true` when the
    // value must only be present and not empty (as a filter fires).
    std::vector<std::pair<std::string, nlohmann::json>> match;
    std::vector<std::string> titles;
    std::vector<std::string> bodies;
    std::vector<std::string> links;
    std::optional<std::string> filter;
};

// The senders the suggestions know, read from JSON tables:
// {"senders": [{"sender", "event", "match": {path: text|true}, "title": [..], "body": [..],
// "filter"?, "link"?: [..]}]}. Where several events match a sample, the one listed first wins.
class SenderTable {
public:
    // Reads the files in order: the events of an earlier file come before those of a later one. Fails
    // with a message naming the file and what is wrong in it.
    static std::expected<SenderTable, std::string> load(const std::vector<std::string>& paths);
    static std::expected<SenderTable, std::string> parse(const std::string& text);

    // The events whose rules `sample` meets, in table order.
    std::vector<const SenderEvent*> matching(const nlohmann::json& sample) const;

private:
    std::vector<SenderEvent> m_events;
};

} // namespace corvane::relay
