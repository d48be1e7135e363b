#include "api/ChangesRoute.h"

#include "http/FormEncoding.h"

#include <charconv>

namespace corvane::relay {
namespace {

constexpr std::chrono::seconds defaultWait{30};
constexpr std::chrono::seconds longestWait{60};

// The query item given once, nothing when it is absent, the 400 when it is given more often.
std::expected<std::optional<std::string>, HttpResponse> queryItem(const nlohmann::json& fields, const char* name)
{
    const auto item = fields.find(name);
    if (item == fields.end()) {
        return std::nullopt;
    }
    if (!item->is_string()) {
        return std::unexpected(HttpResponse::error(400, std::string(name) + " must be given once"));
    }
    return item->get<std::string>();
}

std::expected<std::chrono::seconds, HttpResponse> waitOf(const nlohmann::json& fields)
{
    const auto text = queryItem(fields, "wait");
    if (!text) {
        return std::unexpected(text.error());
    }
    const std::optional<std::string>& item = *text;
    if (!item) {
        return defaultWait;
    }
    const std::string& digits = *item;
    unsigned seconds = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
    if (digits.empty() || end != digits.data() + digits.size()
        || (error != std::errc() && error != std::errc::result_out_of_range)) {
        return std::unexpected(HttpResponse::error(400, "wait must be a number of seconds"));
    }
    if (error == std::errc::result_out_of_range || std::chrono::seconds(seconds) > longestWait) {
        return std::unexpected(HttpResponse::error(400, "wait must be at most 60 seconds"));
    }
    return std::chrono::seconds(seconds);
}

// The version `after` names; nothing for one absent, empty or not a version, which never matches.
std::optional<std::uint64_t> versionOf(const std::optional<std::string>& text)
{
    std::uint64_t version = 0;
    if (!text || text->empty()) {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), version);
    if (error != std::errc() || end != text->data() + text->size()) {
        return std::nullopt;
    }
    return version;
}

HttpResponse versionAnswer(std::uint64_t version)
{
    auto response = HttpResponse::json(200, {{"version", std::to_string(version)}});
    response.headers.emplace_back("Cache-Control", "no-store");
    return response;
}

} // namespace

ChangesRoute::ChangesRoute(ChangeVersions& versions) : m_versions(versions)
{
}

boost::asio::awaitable<HttpResponse> ChangesRoute::changes(const Caller& caller, const HttpRequest& request)
{
    const auto fields = FormEncoding::fields(request.query);
    const auto wait = waitOf(fields);
    if (!wait) {
        co_return wait.error();
    }
    const auto after = queryItem(fields, "after");
    if (!after) {
        co_return after.error();
    }
    const auto version = versionOf(*after);
    // A version ahead of this instance's comes from another instance on the same database whose
    // announcement is still on its way: it is taken now, so the request waits instead of being
    // answered at once with a version the caller would take for a change.
    if (version && *version > m_versions.current(caller.account.id)) {
        m_versions.heard(caller.account.id, *version);
    }
    if (!version || *version != m_versions.current(caller.account.id)) {
        co_return versionAnswer(m_versions.current(caller.account.id));
    }
    const auto changed = co_await m_versions.changeAfter(caller.account.id, *version, *wait);
    if (!changed) {
        co_return HttpResponse::error(503, "too many requests wait for changes; retry later");
    }
    co_return versionAnswer(*changed);
}

std::string ChangesRoute::tag(const Caller& caller, std::string_view variant) const
{
    std::string text = "\"" + std::to_string(m_versions.current(caller.account.id));
    if (!variant.empty()) {
        text += '-';
        text += variant;
    }
    return text + "\"";
}

std::optional<HttpResponse> ChangesRoute::notModified(const HttpRequest& request, const std::string& tag)
{
    const auto condition = request.header("if-none-match");
    if (!condition) {
        return std::nullopt;
    }
    // A list of entity tags separated by commas; "*" matches any current representation.
    std::string_view rest = *condition;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        auto item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) {
            item.remove_prefix(1);
        }
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) {
            item.remove_suffix(1);
        }
        // Weak comparison (§8.8.3.2): W/"x" matches "x".
        if (item.starts_with("W/")) {
            item.remove_prefix(2);
        }
        if (item == tag || item == "*") {
            auto response = HttpResponse::empty(304);
            response.headers.emplace_back("ETag", tag);
            return response;
        }
    }
    return std::nullopt;
}

HttpResponse ChangesRoute::tagged(HttpResponse response, const std::string& tag)
{
    if (response.status == 200) {
        response.headers.emplace_back("ETag", tag);
    }
    return response;
}

} // namespace corvane::relay
