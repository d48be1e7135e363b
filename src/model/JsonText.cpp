#include "model/JsonText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace corvane {
namespace {

using Json = nlohmann::json;

// Builds the DOM like nlohmann's own parser, with two changes: unsigned integers outside the signed
// range become doubles, and containers nested deeper than maximumJsonDepth become null (their contents
// are read and dropped, so parsing stays iterative and bounded in memory).
class BoundedDomBuilder : public nlohmann::detail::json_sax_dom_parser<Json> {
    using Base = nlohmann::detail::json_sax_dom_parser<Json>;

public:
    explicit BoundedDomBuilder(Json& result) : Base(result, false) { }

    bool null() { return m_skipping || Base::null(); }
    bool boolean(bool value) { return m_skipping || Base::boolean(value); }
    bool number_integer(Json::number_integer_t value) { return m_skipping || Base::number_integer(value); }
    bool number_unsigned(Json::number_unsigned_t value)
    {
        if (m_skipping) {
            return true;
        }
        if (value <= static_cast<Json::number_unsigned_t>(std::numeric_limits<std::int64_t>::max())) {
            return Base::number_integer(static_cast<Json::number_integer_t>(value));
        }
        return Base::number_float(static_cast<double>(value), {});
    }
    bool number_float(Json::number_float_t value, const Json::string_t& text)
    {
        return m_skipping || Base::number_float(value, text);
    }
    bool string(Json::string_t& value) { return m_skipping || Base::string(value); }
    bool binary(Json::binary_t& value) { return m_skipping || Base::binary(value); }
    bool key(Json::string_t& value) { return m_skipping || Base::key(value); }

    bool start_object(std::size_t count) { return open() && (m_skipping || Base::start_object(count)); }
    bool start_array(std::size_t count) { return open() && (m_skipping || Base::start_array(count)); }
    bool end_object() { return close() || Base::end_object(); }
    bool end_array() { return close() || Base::end_array(); }

    template <class Exception>
    bool parse_error(std::size_t position, const std::string& lastToken, const Exception& exception)
    {
        m_message = exception.what();
        return Base::parse_error(position, lastToken, exception);
    }

    std::string message() const
    {
        // "[json.exception.parse_error.101] parse error at ..." without the library's tag.
        const auto tagEnd = m_message.find("] ");
        return tagEnd == std::string::npos ? m_message : m_message.substr(tagEnd + 2);
    }

private:
    // Enters a container; the first one too deep is replaced by null and its contents skipped.
    bool open()
    {
        ++m_depth;
        if (!m_skipping && m_depth > maximumJsonDepth) {
            m_skipping = true;
            m_skipDepth = m_depth;
            Base::null();
        }
        return true;
    }

    // Leaves a container; true when the container was skipped and the base must not see its end.
    bool close()
    {
        const bool skipped = m_skipping;
        if (m_skipping && m_depth == m_skipDepth) {
            m_skipping = false;
        }
        --m_depth;
        return skipped;
    }

    int m_depth = 0;
    int m_skipDepth = 0;
    bool m_skipping = false;
    std::string m_message;
};

Json normalized(const Json& value, int depth)
{
    switch (value.type()) {
    case Json::value_t::number_unsigned: {
        const auto number = value.get<Json::number_unsigned_t>();
        if (number <= static_cast<Json::number_unsigned_t>(std::numeric_limits<std::int64_t>::max())) {
            return static_cast<Json::number_integer_t>(number);
        }
        return static_cast<double>(number);
    }
    case Json::value_t::array: {
        if (depth >= maximumJsonDepth) {
            return nullptr;
        }
        Json result = Json::array();
        auto& elements = result.get_ref<Json::array_t&>();
        elements.reserve(value.size());
        for (const auto& element : value) {
            elements.push_back(normalized(element, depth + 1));
        }
        return result;
    }
    case Json::value_t::object: {
        if (depth >= maximumJsonDepth) {
            return nullptr;
        }
        Json result = Json::object();
        auto& members = result.get_ref<Json::object_t&>();
        for (const auto& [key, member] : value.items()) {
            members.emplace_hint(members.end(), key, normalized(member, depth + 1));
        }
        return result;
    }
    case Json::value_t::binary:
    case Json::value_t::discarded:
        return nullptr;
    default:
        return value;
    }
}

void normalize(Json& value, int depth)
{
    switch (value.type()) {
    case Json::value_t::number_unsigned:
    case Json::value_t::binary:
    case Json::value_t::discarded:
        value = normalized(value, depth);
        break;
    case Json::value_t::array:
    case Json::value_t::object:
        if (depth >= maximumJsonDepth) {
            value = nullptr;
            break;
        }
        for (auto& member : value) {
            normalize(member, depth + 1);
        }
        break;
    default:
        break;
    }
}

template <class... Format> std::string charsOf(double number, Format... format)
{
    // The longest shortest-form text of a double: the smallest subnormal in fixed notation, "0." and 323
    // zeros before its digits.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number, format...);
    return {buffer.data(), result.ptr};
}

// An integral double beyond the 64-bit range, as its shortest round-trip digits followed by zeros:
// 1e300 is a 1 and 300 zeros, 2^63 is 9223372036854776000.
std::string largeIntegralText(double number)
{
    if (!std::isfinite(number)) {
        return charsOf(number);
    }
    const std::string scientific = charsOf(number, std::chars_format::scientific);
    const auto exponentStart = scientific.find('e');
    std::string digits;
    for (const char character : std::string_view(scientific).substr(0, exponentStart)) {
        if (character != '.') {
            digits += character;
        }
    }
    const int exponent = std::stoi(scientific.substr(exponentStart + 1));
    const auto significant = static_cast<int>(digits.size()) - (digits.front() == '-' ? 1 : 0);
    const int zeros = exponent - significant + 1;
    digits.append(static_cast<std::size_t>(zeros), '0');
    return digits;
}

std::string numberText(double number)
{
    if (std::trunc(number) == number) {
        constexpr double integerLimit = 0x1p63;
        if (std::fabs(number) < integerLimit) {
            return std::to_string(static_cast<std::int64_t>(number));
        }
        return largeIntegralText(number);
    }
    // The shortest digits that read back as the same double, never in exponent form: 0.0005, 0.00000015.
    return charsOf(number, std::chars_format::fixed);
}

} // namespace

std::expected<nlohmann::json, DecodingError> parseJson(std::string_view text)
{
    Json result;
    BoundedDomBuilder builder(result);
    if (!Json::sax_parse(text.begin(), text.end(), &builder) || builder.is_errored()) {
        return std::unexpected(DecodingError{{}, builder.message()});
    }
    return result;
}

nlohmann::json normalizedJson(const nlohmann::json& value)
{
    return normalized(value, 0);
}

void normalizeJson(nlohmann::json& value)
{
    normalize(value, 0);
}

std::string displayText(const nlohmann::json& value)
{
    switch (value.type()) {
    case Json::value_t::string:
        return value.get_ref<const Json::string_t&>();
    case Json::value_t::boolean:
        return value.get<bool>() ? "true" : "false";
    case Json::value_t::number_integer:
        return std::to_string(value.get<Json::number_integer_t>());
    case Json::value_t::number_unsigned:
        return std::to_string(value.get<Json::number_unsigned_t>());
    case Json::value_t::number_float:
        return numberText(value.get<double>());
    case Json::value_t::array:
    case Json::value_t::object:
        return compactJson(value);
    default:
        return "null";
    }
}

std::string compactJson(const nlohmann::json& value)
{
    const std::string plain = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::string escaped;
    escaped.reserve(plain.size());
    for (const char character : plain) {
        if (character == '/') {
            escaped += '\\';
        }
        escaped += character;
    }
    return escaped;
}

} // namespace corvane
