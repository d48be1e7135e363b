#pragma once

#include <nlohmann/json.hpp>

#include <string_view>

// The checks every suggested template passes over its sample, with the app's own renderer and filter
// rules, so that what the relay suggests shows in the app as it showed here.
namespace corvane::relay::TemplateCheck {

// Whether `templateText` renders as non-blank text over `sample`, and so does each of its {{path}}
// tokens on its own.
bool renders(std::string_view templateText, const nlohmann::json& sample);

// Whether the filter's path reaches a member of `sample` (whatever its value): a path that reaches
// nothing could never fire.
bool reaches(std::string_view filter, const nlohmann::json& sample);

// Whether `templateText` renders (as above) to one http or https URL.
bool rendersLink(std::string_view templateText, const nlohmann::json& sample);

} // namespace corvane::relay::TemplateCheck
