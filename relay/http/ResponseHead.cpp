#include "http/ResponseHead.h"

#include "http/Gzip.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/status.hpp>

#include <algorithm>
#include <array>
#include <charconv>

namespace corvane::relay::ResponseHead {
namespace {

namespace http = boost::beast::http;

constexpr std::size_t gzipThreshold = 1024;

void appendNumber(std::string& text, std::uint64_t number)
{
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.begin(), digits.end(), number);
    text.append(digits.data(), result.ptr);
}

} // namespace

void write(std::string& head, HttpResponse& response, bool keepAlive, bool gzip)
{
    bool compressed = false;
    // A route that encoded its body already (a stored compressed answer) is sent as it is.
    const bool encoded = std::ranges::any_of(
        response.headers, [](const auto& field) { return boost::beast::iequals(field.first, "Content-Encoding"); });
    const bool varies = gzip && !encoded && response.body.size() >= gzipThreshold;
    if (varies) {
        if (auto packed = Gzip::compress(response.body)) {
            response.body = *std::move(packed);
            compressed = true;
        }
    }
    head.clear();
    head += "HTTP/1.1 ";
    appendNumber(head, response.status);
    head += ' ';
    head += http::obsolete_reason(static_cast<http::status>(response.status));
    head += "\r\n";
    const auto field = [&head](std::string_view name, std::string_view value) {
        // A line break would end the field early and let the rest pass for more fields.
        if (name.find_first_of("\r\n") != std::string_view::npos
            || value.find_first_of("\r\n") != std::string_view::npos) {
            return;
        }
        head += name;
        head += ": ";
        head += value;
        head += "\r\n";
    };
    if (!response.contentType.empty()) {
        field("Content-Type", response.contentType);
    }
    for (const auto& [name, value] : response.headers) {
        field(name, value);
    }
    if (compressed) {
        field("Content-Encoding", "gzip");
    }
    if (varies) {
        field("Vary", "Accept-Encoding");
    }
    if (!keepAlive) {
        field("Connection", "close");
    }
    // A 304 has no body, and a Content-Length would have to give the length of the 200 it stands for
    // (RFC 9110 §8.6).
    if (response.status != 304) {
        head += "Content-Length: ";
        appendNumber(head, response.body.size());
        head += "\r\n";
    }
    head += "\r\n";
}

} // namespace corvane::relay::ResponseHead
