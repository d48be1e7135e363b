#include "suggest/TemplateCheck.h"

#include "evaluation/Template.h"
#include "evaluation/UnicodeText.h"

#include <algorithm>

namespace corvane::relay::TemplateCheck {
namespace {

bool blank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

} // namespace

bool renders(std::string_view templateText, const nlohmann::json& sample)
{
    if (blank(Template::render(templateText, sample))) {
        return false;
    }
    for (auto opening = templateText.find("{{"); opening != std::string_view::npos;
        opening = templateText.find("{{", opening + 2)) {
        const auto closing = templateText.find("}}", opening + 2);
        if (closing == std::string_view::npos) {
            break;
        }
        if (blank(Template::render(templateText.substr(opening, closing + 2 - opening), sample))) {
            return false;
        }
    }
    return true;
}

bool reaches(std::string_view filter, const nlohmann::json& sample)
{
    auto path = UnicodeText::trimSpacesAndTabs(filter);
    if (path.starts_with("$")) {
        path.remove_prefix(path.starts_with("$.") ? 2 : 1);
    }
    return !path.empty() && Template::resolve(path, &sample) != nullptr;
}

bool rendersLink(std::string_view templateText, const nlohmann::json& sample)
{
    if (!renders(templateText, sample)) {
        return false;
    }
    const auto link = Template::render(templateText, sample);
    const bool web = link.starts_with("https://") || link.starts_with("http://");
    return web && std::ranges::none_of(link, [](char character) {
        return static_cast<unsigned char>(character) <= ' ' || character == '\x7f';
    });
}

} // namespace corvane::relay::TemplateCheck
