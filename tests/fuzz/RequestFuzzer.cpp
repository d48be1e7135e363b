#include "api/RequestParsing.h"
#include "api/TemplateSuggester.h"
#include "evaluation/JSONPathFilter.h"
#include "evaluation/Template.h"
#include "http/FormEncoding.h"

#include <cstdlib>

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

} // namespace

// The parsing a request meets before any route acts on it: the query and form fields, the "limit"
// item, JSON bodies with their depth limit, and the template suggestion over whatever object parses.
// Input: the query, a NUL byte, then the body.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view all(reinterpret_cast<const char*>(data), size);
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
    if (const auto limit = RequestParsing::limit(request, 25); limit && (*limit < 1 || *limit > 100)) {
        std::abort();
    }
    const auto object = RequestParsing::jsonObject(request, 64);
    if (object) {
        const auto& sample
            = object->contains("sample") && (*object)["sample"].is_object() ? (*object)["sample"] : *object;
        const auto suggestion = TemplateSuggester::suggest(sample);
        checkTokens(suggestion.title, sample);
        checkTokens(suggestion.body, sample);
        if (suggestion.filter && !JSONPathFilter::matches(suggestion.filter, sample)) {
            std::abort();
        }
    }
    return 0;
}
