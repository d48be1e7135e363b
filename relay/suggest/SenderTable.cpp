#include "suggest/SenderTable.h"

#include "evaluation/JSONPathFilter.h"
#include "evaluation/Template.h"

#include <fstream>
#include <sstream>

namespace corvane::relay {
namespace {

std::expected<std::string, std::string> text(const nlohmann::json& entry, const char* name)
{
    const auto member = entry.find(name);
    if (member == entry.end() || !member->is_string() || member->get_ref<const std::string&>().empty()) {
        return std::unexpected(std::string(name) + " must be a non-empty string");
    }
    return member->get<std::string>();
}

// A template member: one string or an array of them, in order of preference.
std::expected<std::vector<std::string>, std::string> candidates(
    const nlohmann::json& entry, const char* name, bool required)
{
    const auto member = entry.find(name);
    if (member == entry.end() && !required) {
        return std::vector<std::string>{};
    }
    const auto list = member == entry.end() ? nlohmann::json()
        : member->is_string()               ? nlohmann::json{*member}
                                            : *member;
    std::vector<std::string> result;
    if (list.is_array()) {
        for (const auto& candidate : list) {
            if (!candidate.is_string() || candidate.get_ref<const std::string&>().empty()) {
                result.clear();
                break;
            }
            result.push_back(candidate.get<std::string>());
        }
    }
    if (result.empty()) {
        return std::unexpected(std::string(name) + " must be a template or a non-empty array of templates");
    }
    return result;
}

std::expected<SenderEvent, std::string> event(const nlohmann::json& entry)
{
    if (!entry.is_object()) {
        return std::unexpected("must be an object");
    }
    SenderEvent result;
    auto sender = text(entry, "sender");
    auto name = text(entry, "event");
    if (!sender || !name) {
        return std::unexpected(sender ? name.error() : sender.error());
    }
    result.sender = *std::move(sender);
    result.event = *std::move(name);
    const auto match = entry.find("match");
    if (match == entry.end() || !match->is_object() || match->empty()) {
        return std::unexpected("match must be an object of at least one path");
    }
    for (const auto& [path, wanted] : match->items()) {
        if (!wanted.is_string() && wanted != true) {
            return std::unexpected("match." + path + " must be a text or true");
        }
        result.match.emplace_back(path, wanted);
    }
    auto titles = candidates(entry, "title", true);
    auto bodies = candidates(entry, "body", true);
    auto links = candidates(entry, "link", false);
    for (const auto* read : {&titles, &bodies, &links}) {
        if (!*read) {
            return std::unexpected(read->error());
        }
    }
    result.titles = *std::move(titles);
    result.bodies = *std::move(bodies);
    result.links = *std::move(links);
    if (const auto filter = entry.find("filter"); filter != entry.end()) {
        if (!filter->is_string()) {
            return std::unexpected("filter must be a string");
        }
        result.filter = filter->get<std::string>();
    }
    return result;
}

bool meets(const nlohmann::json& sample, const SenderEvent& event)
{
    for (const auto& [path, wanted] : event.match) {
        const bool met = wanted.is_string()
            ? Template::stringify(Template::resolve(path, &sample)) == wanted.get_ref<const std::string&>()
            : JSONPathFilter::matches(path, sample);
        if (!met) {
            return false;
        }
    }
    return true;
}

} // namespace

std::expected<SenderTable, std::string> SenderTable::parse(const std::string& text)
{
    const auto document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        return std::unexpected("not valid JSON");
    }
    const auto senders = document.is_object() ? document.find("senders") : document.end();
    if (!document.is_object() || senders == document.end() || !senders->is_array()) {
        return std::unexpected("expected an object with a \"senders\" array");
    }
    SenderTable table;
    for (std::size_t index = 0; index < senders->size(); ++index) {
        auto read = event((*senders)[index]);
        if (!read) {
            return std::unexpected("senders[" + std::to_string(index) + "]: " + read.error());
        }
        table.m_events.push_back(*std::move(read));
    }
    return table;
}

std::expected<SenderTable, std::string> SenderTable::load(const std::vector<std::string>& paths)
{
    SenderTable table;
    for (const auto& path : paths) {
        std::ifstream file(path);
        std::ostringstream contents;
        if (!file || !(contents << file.rdbuf())) {
            return std::unexpected(path + ": cannot read the sender table");
        }
        auto read = parse(contents.str());
        if (!read) {
            return std::unexpected(path + ": " + read.error());
        }
        std::ranges::move(read->m_events, std::back_inserter(table.m_events));
    }
    return table;
}

std::vector<const SenderEvent*> SenderTable::matching(const nlohmann::json& sample) const
{
    std::vector<const SenderEvent*> result;
    for (const auto& candidate : m_events) {
        if (meets(sample, candidate)) {
            result.push_back(&candidate);
        }
    }
    return result;
}

} // namespace corvane::relay
