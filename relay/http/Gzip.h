#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::relay::Gzip {

// The gzip (RFC 1952) encoding of `data`; nothing when zlib fails.
std::optional<std::string> compress(std::string_view data);

// Whether an Accept-Encoding header value admits gzip (a "gzip" coding without q=0).
bool accepted(std::string_view acceptEncoding);

} // namespace corvane::relay::Gzip
