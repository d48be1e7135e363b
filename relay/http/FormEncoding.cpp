#include "http/FormEncoding.h"

namespace corvane::relay::FormEncoding {
namespace {

int hexValue(char character)
{
    if (character >= '0' && character <= '9') {
        return character - '0';
    }
    if (character >= 'a' && character <= 'f') {
        return character - 'a' + 10;
    }
    if (character >= 'A' && character <= 'F') {
        return character - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string decode(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char character = text[index];
        if (character == '+') {
            result += ' ';
        } else if (character == '%' && index + 2 < text.size() && hexValue(text[index + 1]) >= 0
            && hexValue(text[index + 2]) >= 0) {
            result += static_cast<char>(hexValue(text[index + 1]) * 16 + hexValue(text[index + 2]));
            index += 2;
        } else {
            result += character;
        }
    }
    return result;
}

nlohmann::json fields(std::string_view text)
{
    auto object = nlohmann::json::object();
    while (!text.empty()) {
        const auto end = std::min(text.find('&'), text.size());
        const std::string_view field = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (field.empty()) {
            continue;
        }
        const auto equals = field.find('=');
        std::string key = decode(field.substr(0, equals));
        std::string value = equals == std::string_view::npos ? std::string() : decode(field.substr(equals + 1));
        auto existing = object.find(key);
        if (existing == object.end()) {
            object[key] = std::move(value);
        } else if (existing->is_array()) {
            existing->push_back(std::move(value));
        } else {
            *existing = nlohmann::json::array({*existing, std::move(value)});
        }
    }
    return object;
}

std::optional<nlohmann::json> fields(std::string_view text, std::size_t maxFields)
{
    std::size_t count = 0;
    for (std::string_view rest = text; !rest.empty();) {
        const auto end = std::min(rest.find('&'), rest.size());
        count += end > 0 ? 1 : 0;
        if (count > maxFields) {
            return std::nullopt;
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return fields(text);
}

} // namespace corvane::relay::FormEncoding
