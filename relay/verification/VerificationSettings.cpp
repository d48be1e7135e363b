#include "verification/VerificationSettings.h"

#include <array>
#include <cstddef>
#include <utility>

namespace corvane::relay::VerificationNames {
namespace {

constexpr std::array schemeNames{std::pair{VerificationScheme::github, std::string_view("github")},
    std::pair{VerificationScheme::stripe, std::string_view("stripe")},
    std::pair{VerificationScheme::standard, std::string_view("standard")},
    std::pair{VerificationScheme::slack, std::string_view("slack")},
    std::pair{VerificationScheme::hmac, std::string_view("hmac")}};
constexpr std::array modeNames{std::pair{VerificationMode::reject, std::string_view("reject")},
    std::pair{VerificationMode::mark, std::string_view("mark")}};
constexpr std::array algorithmNames{std::pair{HmacAlgorithm::sha256, std::string_view("sha256")},
    std::pair{HmacAlgorithm::sha1, std::string_view("sha1")}};
constexpr std::array encodingNames{std::pair{DigestEncoding::hex, std::string_view("hex")},
    std::pair{DigestEncoding::base64, std::string_view("base64")}};

template <class Value, std::size_t Count>
std::string_view nameIn(const std::array<std::pair<Value, std::string_view>, Count>& names, Value value)
{
    for (const auto& [known, name] : names) {
        if (known == value) {
            return name;
        }
    }
    return {};
}

template <class Value, std::size_t Count>
std::optional<Value> valueIn(const std::array<std::pair<Value, std::string_view>, Count>& names, std::string_view name)
{
    for (const auto& [value, known] : names) {
        if (known == name) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace

std::string_view of(VerificationScheme scheme)
{
    return nameIn(schemeNames, scheme);
}

std::string_view of(VerificationMode mode)
{
    return nameIn(modeNames, mode);
}

std::string_view of(HmacAlgorithm algorithm)
{
    return nameIn(algorithmNames, algorithm);
}

std::string_view of(DigestEncoding encoding)
{
    return nameIn(encodingNames, encoding);
}

std::optional<VerificationScheme> scheme(std::string_view name)
{
    return valueIn(schemeNames, name);
}

std::optional<VerificationMode> mode(std::string_view name)
{
    return valueIn(modeNames, name);
}

std::optional<HmacAlgorithm> algorithm(std::string_view name)
{
    return valueIn(algorithmNames, name);
}

std::optional<DigestEncoding> encoding(std::string_view name)
{
    return valueIn(encodingNames, name);
}

} // namespace corvane::relay::VerificationNames
