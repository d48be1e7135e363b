#pragma once

#include "http/HttpRequest.h"
#include "http/HttpResponse.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <expected>
#include <string_view>

// Reading what API requests carry; every failure is the 400 response that explains it.
namespace corvane::relay::RequestParsing {

// The body as a JSON object, refused when it nests arrays and objects deeper than `maxDepth`.
std::expected<nlohmann::json, HttpResponse> jsonObject(const HttpRequest& request, int maxDepth);

// The "limit" query item clamped to 1..100; `fallback` when there is none.
std::expected<std::int64_t, HttpResponse> limit(const HttpRequest& request, std::int64_t fallback);

} // namespace corvane::relay::RequestParsing
