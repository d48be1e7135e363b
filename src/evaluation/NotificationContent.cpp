#include "evaluation/NotificationContent.h"

#include "evaluation/Template.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace corvane {
namespace {

std::string renderOr(
    const std::optional<std::string>& templateText, std::string_view fallback, const nlohmann::json& context)
{
    return Template::render(templateText ? std::string_view(*templateText) : fallback, context);
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && std::ranges::equal(text.substr(0, prefix.size()), prefix,
            [](char left, char right) { return std::tolower(static_cast<unsigned char>(left)) == right; });
}

} // namespace

NotificationContent NotificationContent::render(
    const NotificationConfig& config, const nlohmann::json& context, Unset unset)
{
    const bool withDefaults = unset == Unset::defaults;
    NotificationContent content{
        .title = renderOr(config.title, withDefaults ? defaultTitle : "", context),
        .body = renderOr(config.body, withDefaults ? defaultBody : "", context),
        .link = std::nullopt,
    };
    if (config.link) {
        std::string link = Template::render(*config.link, context);
        if (isWebLink(link)) {
            content.link = std::move(link);
        }
    }
    return content;
}

bool NotificationContent::isWebLink(std::string_view text)
{
    constexpr std::array schemes{std::string_view("https://"), std::string_view("http://")};
    const auto scheme = std::ranges::find_if(
        schemes, [text](std::string_view prefix) { return startsWithIgnoringCase(text, prefix); });
    if (scheme == schemes.end()) {
        return false;
    }
    const std::string_view rest = text.substr(scheme->size());
    const bool readsOneWay = std::ranges::none_of(
        text, [](char character) { return static_cast<unsigned char>(character) <= ' ' || character == 0x7f; });
    return readsOneWay && !rest.empty() && rest.front() != '/' && rest.front() != '?' && rest.front() != '#';
}

} // namespace corvane
