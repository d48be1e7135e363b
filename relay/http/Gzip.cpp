#include "http/Gzip.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace corvane::relay::Gzip {
namespace {

constexpr int gzipWindowBits = 15 + 16;
constexpr int memoryLevel = 8;
constexpr std::size_t outputBlockBytes = std::size_t{64} * 1024;

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(result, result.begin(), [](unsigned char character) { return std::tolower(character); });
    return result;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::optional<std::string> compress(std::string_view data)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, gzipWindowBits, memoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        return std::nullopt;
    }
    // Written a block at a time: the output takes only the memory its compressed size needs.
    std::string output;
    std::array<char, outputBlockBytes> block{};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(block.data());
        stream.avail_out = static_cast<uInt>(block.size());
        result = deflate(&stream, Z_FINISH);
        output.append(block.data(), block.size() - stream.avail_out);
    }
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        return std::nullopt;
    }
    return output;
}

bool accepted(std::string_view acceptEncoding)
{
    const std::string header = lowered(acceptEncoding);
    std::string_view rest = header;
    while (!rest.empty()) {
        const auto comma = std::min(rest.find(','), rest.size());
        const std::string_view item = rest.substr(0, comma);
        rest.remove_prefix(std::min(comma + 1, rest.size()));
        const auto semicolon = item.find(';');
        if (trimmed(item.substr(0, semicolon)) != "gzip") {
            continue;
        }
        if (semicolon == std::string_view::npos) {
            return true;
        }
        std::string_view parameter = trimmed(item.substr(semicolon + 1));
        if (!parameter.starts_with("q=")) {
            return true;
        }
        parameter.remove_prefix(2);
        return parameter.find_first_not_of("0.") != std::string_view::npos;
    }
    return false;
}

} // namespace corvane::relay::Gzip
