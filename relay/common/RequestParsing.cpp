#include "common/RequestParsing.h"

#include "common/JsonSyntax.h"
#include "http/FormEncoding.h"
#include "model/JsonText.h"

#include <algorithm>
#include <charconv>

namespace corvane::relay::RequestParsing {

std::expected<nlohmann::json, HttpResponse> jsonObject(const HttpRequest& request, int maxDepth)
{
    if (JsonSyntax::check(request.body, maxDepth) == JsonSyntax::Verdict::tooDeep) {
        return std::unexpected(
            HttpResponse::error(400, "JSON body is nested deeper than " + std::to_string(maxDepth) + " levels"));
    }
    auto parsed = parseJson(request.body);
    if (!parsed) {
        return std::unexpected(HttpResponse::error(400, "body is not JSON: " + parsed.error().description()));
    }
    if (!parsed->is_object()) {
        return std::unexpected(HttpResponse::error(400, "body must be a JSON object"));
    }
    return *std::move(parsed);
}

std::expected<std::int64_t, HttpResponse> limit(const HttpRequest& request, std::int64_t fallback)
{
    constexpr std::int64_t smallest = 1;
    constexpr std::int64_t largest = 100;
    const auto fields = FormEncoding::fields(request.query);
    const auto item = fields.find("limit");
    if (item == fields.end()) {
        return fallback;
    }
    if (!item->is_string()) {
        return std::unexpected(HttpResponse::error(400, "limit must be given once"));
    }
    const auto& text = item->get_ref<const std::string&>();
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range && end == text.data() + text.size()) {
        return text.starts_with('-') ? smallest : largest;
    }
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::unexpected(HttpResponse::error(400, "limit must be an integer"));
    }
    return std::clamp(value, smallest, largest);
}

} // namespace corvane::relay::RequestParsing
